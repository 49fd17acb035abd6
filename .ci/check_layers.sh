#!/usr/bin/env bash
# Fails when an include runs against the direction of mkinstaller's layers:
#   main -> cli -> commands -> pack -> inspect -> model -> format -> util -> payload, decoder, encoder
# A file of src/builder/<layer>/ may include its own layer and those to its right; the shared libraries
# below (payload, decoder, encoder) and the installer's own folders include nothing of src/builder.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(util format model inspect pack commands cli)
rank() {
    local i
    for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
    echo -1
}

status=0
while IFS=: read -r file line text; do
    target=$(sed -E 's/.*"builder\/([a-z_]+)\/.*/\1/' <<<"$text")
    case "$file" in
        src/builder/main.cc) continue ;;
        src/builder/*/*) from=$(cut -d/ -f3 <<<"$file") ;;
        *) from="" ;;
    esac
    if [ -z "$from" ] || [ "$(rank "$target")" -lt 0 ] || [ "$(rank "$target")" -gt "$(rank "$from")" ]; then
        echo "$file:$line: includes builder/$target against the layers' direction: $text" >&2
        status=1
    fi
done < <(grep -rnE '^#include "builder/' src --include='*.cc' --include='*.h')
[ "$status" -eq 0 ] && echo "layers: every include runs downward"
exit "$status"
