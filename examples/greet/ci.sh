#!/usr/bin/env bash
# The example product end to end, as CI runs it: installs mkinstaller from a build tree into a
# temporary prefix, builds greet's installer with the installed tool through find_package(mkinstaller)
# and through cpack -G External, verifies both, then installs the CPack one with scripted answers into
# a temporary directory and runs what it installed. Reads no standard input; leaves nothing behind.
#   examples/greet/ci.sh [BUILD_DIR]      (default: build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkinstaller=$work/prefix/bin/mkinstaller

cmake -S "$root/examples/greet" -B "$work/greet" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/greet" --target greet-installer
(cd "$work/greet" && cpack -G External)
for setup in "$work/greet/installer/greet-1.2.0-setup" "$work/greet/greet-1.2.0-setup"; do
    "$mkinstaller" verify "$setup"
    # The product's own licence, laid out, instead of the stub's built-in agreement.
    "$mkinstaller" license "$setup" >"$work/license.txt"
    grep -q '^The greet example product may be copied' "$work/license.txt"
done
# The target's installer is rebuilt when a file of its tree changes, and only then.
built=$work/greet/installer/greet-1.2.0-setup
again=$(cmake --build "$work/greet" --target greet-installer)
grep -q 'no work to do' <<<"$again" || { echo "$again" >&2; exit 1; }
changes=$work/greet/stage/share/doc/greet/CHANGES.md
echo '- Staged again.' >>"$changes"
cmake --build "$work/greet" --target greet-installer >/dev/null
listed=$("$mkinstaller" list "$built")
grep -q " $(stat -c %s "$changes") .* share/doc/greet/CHANGES.md\$" <<<"$listed" || { echo "$listed" >&2; exit 1; }

# Next, Accept, No to the default, the path, No to "Select a different directory?" (it lies outside
# /usr/ and /home/), Next after "Files installed!"; installed again, one Next more for the warning
# that the directory exists. Never the default directory.
target=$work/target/greet
for answers in 'n\na\nn\n%s\nn\nn\n' 'n\na\nn\n%s\nn\nn\nn\n'; do
    # shellcheck disable=SC2059
    printf "$answers" "$target" | "$work/greet/greet-1.2.0-setup" 2>"$work/install.log"
    if ! grep -qx 'Installation complete.' "$work/install.log"; then
        cat "$work/install.log" >&2
        echo "example product: the installation did not complete" >&2
        exit 1
    fi
    grep -qFx "$(head -1 "$work/license.txt")" "$work/install.log"
done
test "$("$target/bin/greet" CI)" = "Hello, CI!"
test "$(stat -c %a "$target/include/greet/greet.h")" = 644
test -f "$target/lib/libgreet.so.1.2.0" -a -f "$target/share/man/man1/greet.1"
test -f "$target/share/doc/greet/README.md" -a -f "$target/share/doc/greet/LICENSE"
echo "example product: built, packed by cpack, verified and installed"
