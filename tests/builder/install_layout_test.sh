#!/usr/bin/env bash
# The install layout: `cmake --install` of this build tree into a temporary prefix puts mkinstaller on
# the search path and the stub beside it in libexec, with the man page, the documentation and the CMake
# package; the installed mkinstaller finds that stub with no --stub, through a link to it and after the
# prefix has moved, and names both places it looked in when the stub is gone; the same for the other
# architecture's stub with --arch.
#   install_layout_test.sh BUILD_DIR LIBDIR VERSION SOURCE_TREE
set -euo pipefail
build=$1 libdir=$2 version=$3 tree=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "install layout: $*" >&2
    exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
package=$libdir/cmake/mkinstaller
for file in bin/mkinstaller libexec/mkinstaller/installer share/man/man1/mkinstaller.1 \
    share/doc/mkinstaller/README.md share/doc/mkinstaller/format.md \
    "$package"/mkinstaller{Config,ConfigVersion,Targets,Functions,Options,Build,CPack}.cmake; do
    test -f "$prefix/$file" || fail "$file is not installed"
done
# Only mkinstaller goes on the search path.
test "$(ls "$prefix/bin")" = mkinstaller || fail "bin holds $(ls "$prefix/bin")"

# The stub run bare has no payload, says so and ends as every installer does.
said=$("$prefix/libexec/mkinstaller/installer" 2>&1 </dev/null) || fail "the stub exited with $?"
test "$said" = "Can't find attachments (3).


Installation terminated." || fail "the bare stub said: $said"

test "$("$prefix/bin/mkinstaller" --version)" = "mkinstaller $version" || fail "--version"

# No --stub: the stub in libexec, found from the real place of mkinstaller, wherever it is started from.
mkdir "$work/links"
ln -s "$prefix/bin/mkinstaller" "$work/links/mkinstaller"
for mkinstaller in "$prefix/bin/mkinstaller" "$work/links/mkinstaller"; do
    rm -f "$work/setup"
    "$mkinstaller" build --quiet "$tree" "$work/setup" || fail "$mkinstaller build failed"
    "$prefix/bin/mkinstaller" verify "$work/setup" >/dev/null || fail "$mkinstaller built a bad installer"
    cmp -s -n "$(stat -c %s "$prefix/libexec/mkinstaller/installer")" \
        "$prefix/libexec/mkinstaller/installer" "$work/setup" || fail "$mkinstaller used another stub"
done
mv "$prefix" "$work/moved"
"$work/moved/bin/mkinstaller" build --quiet "$tree" "$work/moved-setup" || fail "a moved prefix fails"

# The other architecture's stub in libexec (a stand-in: the stub with the other e_machine) is taken by
# --arch without --stub, is a shipped stub for verify, and info names its architecture.
case $(uname -m) in
aarch64) other=x86-64 machine='\076' ;;
*) other=aarch64 machine='\267' ;;
esac
libexec=$work/moved/libexec/mkinstaller
cp "$libexec/installer" "$libexec/installer-$other"
printf "$machine" | dd of="$libexec/installer-$other" bs=1 seek=18 conv=notrunc status=none
"$work/moved/bin/mkinstaller" build --quiet --arch "$other" "$tree" "$work/other-setup" ||
    fail "build --arch $other failed"
"$work/moved/bin/mkinstaller" verify "$work/other-setup" >/dev/null || fail "verify refused the $other stub"
"$work/moved/bin/mkinstaller" info "$work/other-setup" | grep -qx "architecture: $other" || fail "info: not $other"
rm "$libexec/installer-$other"
said=$("$work/moved/bin/mkinstaller" build --arch "$other" "$tree" "$work/no-setup" 2>&1) && fail "built without a stub"
case $said in
*"\"$work/moved/bin/installer-$other\" or \"$libexec/installer-$other\""*) ;;
*) fail "without an $other stub it said: $said" ;;
esac

rm "$work/moved/libexec/mkinstaller/installer"
if said=$("$work/moved/bin/mkinstaller" build --quiet "$tree" "$work/no-setup" 2>&1); then
    fail "built without a stub"
fi
case $said in
*"\"$work/moved/bin/installer\" or \"$work/moved/libexec/mkinstaller/installer\""*) ;;
*) fail "without a stub it said: $said" ;;
esac
