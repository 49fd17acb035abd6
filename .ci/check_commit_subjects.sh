#!/usr/bin/env bash
# Fails when a commit after SINCE has a subject longer than 72 characters: a subject says what changed
# in a line that every log view shows whole, and the why goes in the body. Commits before SINCE, made
# when longer subjects were the habit, are not judged.
set -euo pipefail
cd "$(dirname "$0")/.."
since=9245a6f  # the last commit before the rule
# A shallow clone may not reach SINCE; then there is nothing to judge by it.
git cat-file -e "$since^{commit}" 2>/dev/null || { echo "subjects: $since not in this clone"; exit 0; }
long=$(git log --format='%h %s' "$since..HEAD" | awk '{ if (length($0) - length($1) - 1 > 72) print }')
if [ -n "$long" ]; then
    echo "commit subjects longer than 72 characters:" >&2
    echo "$long" >&2
    exit 1
fi
echo "subjects: every one since $since within 72 characters"
