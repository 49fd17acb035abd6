#!/usr/bin/env bash
# A vendor's SDK with a shared library's chain of links, packed with links kept: the installed tree holds
# the links as links, and a program linked against the library finds it through them (ldd, and a run)
# with the source tree gone. The installer is smaller than the one that copies what each link points to.
#   shared_library_links_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "shared library links: $*" >&2
    exit 1
}

sdk=$work/sdk
mkdir -p "$sdk/lib" "$sdk/include" "$sdk/bin"
printf 'int foo(void) { return 42; }\n' >"$work/foo.c"
cc -shared -fPIC -Wl,-soname,libfoo.so.5 -o "$sdk/lib/libfoo.so.5.1.0" "$work/foo.c"
ln -s libfoo.so.5.1.0 "$sdk/lib/libfoo.so.5"
ln -s libfoo.so.5 "$sdk/lib/libfoo.so"
printf 'int foo(void);\n' >"$sdk/include/foo.h"
printf '#include <foo.h>\nint main(void) { return foo() == 42 ? 0 : 1; }\n' >"$work/prog.c"
cc -I"$sdk/include" -o "$sdk/bin/prog" "$work/prog.c" -L"$sdk/lib" -lfoo -Wl,-rpath,'$ORIGIN/../lib'

mkinstaller=$build/bin/mkinstaller
"$mkinstaller" build --quiet --installer-options gnu "$sdk" "$work/setup"
"$mkinstaller" build --quiet --installer-options gnu --links copy "$sdk" "$work/setup-copies"
rm -rf "$sdk"

target=$work/opt/sdk
"$work/setup" --unattended --accept-license --quiet --target "$target" </dev/null || fail "install: $?"
test "$(readlink "$target/lib/libfoo.so")" = libfoo.so.5 || fail "lib/libfoo.so is not the link"
test "$(readlink "$target/lib/libfoo.so.5")" = libfoo.so.5.1.0 || fail "lib/libfoo.so.5 is not the link"
test -f "$target/lib/libfoo.so.5.1.0" -a ! -L "$target/lib/libfoo.so.5.1.0" || fail "the library is missing"
resolved=$(ldd "$target/bin/prog")
grep -q "libfoo.so.5 => $target/bin/../lib/libfoo.so.5 " <<<"$resolved" || fail "ldd says: $resolved"
"$target/bin/prog" || fail "the program did not find its library"

kept=$(stat -c %s "$work/setup")
copied=$(stat -c %s "$work/setup-copies")
echo "installer: $kept bytes with links kept, $copied with the links' files copied"
((kept < copied)) || fail "keeping links made the installer no smaller"
