#!/usr/bin/env bash
# Fails when a stripped installer stub of a release build grows past its budget: every installer starts
# with a copy of it. Checks the native stub and every other architecture's beside it (installer-ARCH).
# Only a static release stub's size means anything, so the check takes the build directory of the
# release preset. A size, not a time: the result is the same on a busy machine.
set -euo pipefail
build_dir=${1:?usage: check_stub_size.sh BUILD_DIR}
budget=300000
copy=$(mktemp)
trap 'rm -f "$copy"' EXIT
status=0
for stub in "$build_dir/bin/installer" "$build_dir"/bin/installer-*; do
    [ -e "$stub" ] || continue
    case $stub in
    */installer-aarch64) strip=aarch64-linux-gnu-strip ;;
    */installer-x86-64) strip=x86_64-linux-gnu-strip ;;
    *) strip=strip ;;
    esac
    "$strip" -o "$copy" "$stub"
    size=$(stat -c %s "$copy")
    if [ "$size" -gt "$budget" ]; then
        echo "stub size: ${stub##*/} is $size bytes stripped, over the budget of $budget" >&2
        status=1
    else
        echo "stub size: ${stub##*/} is $size bytes stripped, within $budget"
    fi
done
exit $status
