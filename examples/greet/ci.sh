#!/usr/bin/env bash
# The example product end to end, as CI runs it: installs mkinstaller from a build tree into a
# temporary prefix, builds greet's installer with the installed tool through find_package(mkinstaller)
# and through cpack -G External, verifies both, then installs the CPack one with scripted answers into
# a temporary directory and runs what it installed, then from a script (--target DIR --accept-license
# --unattended, no standard input), and unattended into its default /opt/greet inside a private mount
# namespace, by -autonext and by --unattended (a temporary file system over /opt; needs root). The
# previous release, 1.1.0, is built from a copy of this tree with its version changed: its installer,
# then greet-update over it, must leave what greet's full installer leaves. Reads no standard input;
# leaves nothing behind.
#   examples/greet/ci.sh [BUILD_DIR]      (default: build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkinstaller=$work/prefix/bin/mkinstaller

# The previous release's installer, as a vendor would take it from the release archive.
cp -r "$root/examples/greet" "$work/greet-1.1.0"
sed -i 's/VERSION 1\.2\.0/VERSION 1.1.0/' "$work/greet-1.1.0/CMakeLists.txt"
sed -i 's/greet 1\.2 /greet 1.1 /' "$work/greet-1.1.0/installer/profile.txt"
printf '# Changes\n\n## 1.1.0\n- The first release.\n' >"$work/greet-1.1.0/doc/CHANGES.md"
cmake -S "$work/greet-1.1.0" -B "$work/greet-1.1.0/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/greet-1.1.0/build" --target greet-installer >/dev/null
old=$work/greet-1.1.0/build/installer/greet-1.1.0-setup

cmake -S "$root/examples/greet" -B "$work/greet" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$work/prefix" -DGREET_PREVIOUS_INSTALLER="$old" >/dev/null
cmake --build "$work/greet" --target greet-installer
(cd "$work/greet" && cpack -G External && sha256sum --quiet -c greet-1.2.0-setup.sha256)
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

# The profile is what info shows; every screen speaks for greet, none for the stub's own vendor.
"$mkinstaller" info "$work/greet/greet-1.2.0-setup" | grep -q 'greet 1.2 Installation'
own_words() {
    grep -qx 'greet 1.2 Installation' "$1" && grep -qx 'greet is ready. Try it: bin/greet World' "$1" &&
        ! grep -qE 'KAVO|VORNA|RUDEK|/usr/local/vorna' "$1"
}

# Next, Accept, No to the default, the path, No to "Select a different directory?" (it lies outside
# greet's recommended roots), Next after "Files installed!"; installed again, one Next more for the
# warning that the directory exists. Never the default directory here.
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
    own_words "$work/install.log" || { cat "$work/install.log" >&2; exit 1; }
done
grep -qx 'with the new one; files of your own in that directory stay.' "$work/install.log"
# A conventional exit status: a cancel at the welcome screen ends with 2.
status=0
printf 'c\n' | "$work/greet/greet-1.2.0-setup" 2>/dev/null || status=$?
test "$status" -eq 2
test "$("$target/bin/greet" CI)" = "Hello, CI!"
test "$(stat -c %a "$target/include/greet/greet.h")" = 644 -a "$(stat -c %a "$target/bin/greet")" = 755
test -f "$target/lib/libgreet.so.1.2.0" -a -f "$target/share/man/man1/greet.1"
test -f "$target/share/doc/greet/README.md" -a -f "$target/share/doc/greet/LICENSE"

# 1.1.0, then the update over it, leaves what the full 1.2.0 installer leaves: the same files with the
# same bytes, modes and times (1.1.0's libgreet.so.1.1.0 and its CHANGES.md gone or replaced).
cmake --build "$work/greet" --target greet-update >/dev/null
"$mkinstaller" verify "$work/greet/installer/greet-1.2.0-update" >/dev/null
install_quietly() {
    # shellcheck disable=SC2059
    printf "$1" "$3" | "$2" 2>"$work/install.log"
    grep -qx 'Installation complete.' "$work/install.log" || { cat "$work/install.log" >&2; exit 1; }
}
install_quietly 'n\na\nn\n%s\nn\nn\n' "$old" "$work/updated/greet"
install_quietly 'n\na\nn\n%s\nn\nn\nn\n' "$work/greet/installer/greet-1.2.0-update" "$work/updated/greet"
install_quietly 'n\na\nn\n%s\nn\nn\n' "$built" "$work/full/greet"
tree_of() { (cd "$1" && find . \( -type f -printf '%p %m %s %T@\n' \) -o \( -type d -printf '%p/\n' \) | sort); }
diff <(tree_of "$work/updated/greet") <(tree_of "$work/full/greet") >&2
diff -r "$work/updated/greet" "$work/full/greet"

# From a script: the conventional command line asks nothing and reads no input. Without
# --accept-license it stops at once with 1 and writes nothing; --version names the release.
status=0
timeout 60 "$built" --target "$work/scripted/greet" --accept-license --unattended </dev/null \
    2>"$work/scripted.log" || status=$?
test "$status" -eq 0 || { cat "$work/scripted.log" >&2; echo "example product: status $status" >&2; exit 1; }
diff <(tree_of "$work/scripted/greet") <(tree_of "$work/full/greet") >&2
status=0
timeout 10 "$built" --target "$work/refused/greet" --unattended </dev/null 2>"$work/refused.log" || status=$?
test "$status" -eq 1 -a ! -e "$work/refused" || { cat "$work/refused.log" >&2; exit 1; }
timeout 10 "$built" --version </dev/null >"$work/version.txt" 2>&1
grep -q 'greet.*1\.2\.0' "$work/version.txt" || { cat "$work/version.txt" >&2; exit 1; }

# Unattended: -autonext answers every question but the licence, and the installer takes its default;
# then, into an empty /opt again, --unattended --accept-license takes it without any input.
if [ "$(id -u)" -eq 0 ] && unshare --mount --propagation private true 2>/dev/null; then
    unshare --mount --propagation private bash -euo pipefail -c '
        setup=$1 work=$2 built=$3
        mount -t tmpfs greet-opt /opt
        printf "a\n" | "$setup" -autonext 2>"$work/auto.log"
        grep -qx "Default directory: /opt/greet." "$work/auto.log"
        grep -qx "Installation complete." "$work/auto.log"
        test "$(/opt/greet/bin/greet CI)" = "Hello, CI!"
        test -f /opt/greet/share/doc/greet/README.md -a -f /opt/greet/lib/libgreet.so.1.2.0
        rm -rf /opt/greet
        status=0
        timeout 60 "$built" --unattended --accept-license </dev/null 2>"$work/default.log" || status=$?
        test "$status" -eq 0 || { cat "$work/default.log" >&2; exit 1; }
        diff -r /opt/greet "$work/full/greet"
    ' unattended "$work/greet/greet-1.2.0-setup" "$work" "$built"
    own_words "$work/auto.log" || { cat "$work/auto.log" >&2; exit 1; }
else
    echo "example product: the unattended installation into /opt/greet needs root and mount namespaces; skipped"
fi
echo "example product: built, packed by cpack, verified, installed and updated"
