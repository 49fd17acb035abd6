#!/usr/bin/env bash
# Fails when an include runs against the direction of the layers. Each program is a stack of folders,
# and a file may include its own folder and those below it:
#   installer:   driver -> install -> target -> process -> payload, decoder
#   mkinstaller: main -> cli -> commands -> pack -> inspect -> model -> format -> util
#                -> payload, decoder, encoder
# payload and decoder are the shared ground and include nothing beyond themselves; encoder includes
# decoder (the format both follow). Neither program includes a folder of the other.
#
#   .ci/check_layers.sh [ROOT]    ROOT holds src/ (default: the repository)
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# What each folder may include, itself included. builder/X names a layer of src/builder.
declare -A allowed=(
    [payload]="payload"
    [decoder]="decoder"
    [encoder]="encoder decoder"
    [process]="process payload decoder"
    [target]="target process payload decoder"
    [install]="install target process payload decoder"
    [driver]="driver install target process payload decoder"
)
builder_layers=(util format model inspect pack commands cli main)
for i in "${!builder_layers[@]}"; do
    list="payload decoder encoder"
    for ((j = 0; j <= i; j++)); do list+=" builder/${builder_layers[$j]}"; done
    allowed[builder/${builder_layers[$i]}]=$list
done

# The folder a path under src/ belongs to: builder/<layer> (main.cc is the top layer), else the first one.
folder_of() {
    case "$1" in
        builder/main.cc) echo builder/main ;;
        builder/*/*) cut -d/ -f1-2 <<<"$1" ;;
        *) cut -d/ -f1 <<<"$1" ;;
    esac
}

status=0
while IFS=: read -r file line text; do
    included=$(sed -E 's/^#include "([^"]+)".*/\1/' <<<"$text")
    # An include of a file beside the includer, or of a generated one, names no folder.
    [[ "$included" == */* ]] || continue
    from=$(folder_of "${file#src/}")
    to=$(folder_of "$included")
    if [[ " ${allowed[$from]-} " != *" $to "* ]]; then
        echo "$file:$line: $from includes $to against the layers' direction: $text" >&2
        status=1
    fi
done < <(grep -rnE '^#include "' src --include='*.cc' --include='*.h')
[ "$status" -eq 0 ] && echo "layers: every include runs downward"
exit "$status"
