#!/usr/bin/env bash
# Fails when the stripped installer stub of a release build grows past its budget: every installer starts
# with a copy of it. Only a static release stub's size means anything, so the check takes the build
# directory of the release preset. A size, not a time: the result is the same on a busy machine.
set -euo pipefail
build_dir=${1:?usage: check_stub_size.sh BUILD_DIR}
budget=960000
copy=$(mktemp)
trap 'rm -f "$copy"' EXIT
strip -o "$copy" "$build_dir/bin/installer"
size=$(stat -c %s "$copy")
if [ "$size" -gt "$budget" ]; then
    echo "stub size: $size bytes stripped, over the budget of $budget" >&2
    exit 1
fi
echo "stub size: $size bytes stripped, within $budget"
