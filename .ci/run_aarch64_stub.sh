#!/usr/bin/env bash
# The aarch64 stub of a build, run under qemu-user-static: the kernel starts the emulator for every
# aarch64 program (binfmt_misc), so the tests run it as they run the native stub. Every test of the
# programs that run the stub (label `stub`, the slow sweeps left out), then one real installation of
# examples/vorna from an installer built with --arch aarch64, whose tree must equal the example's.
# Installs qemu-user-static where missing and registers it with the kernel; needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: run_aarch64_stub.sh BUILD_DIR (of the dev preset)}
stub=$PWD/$build/bin/installer-aarch64
mkinstaller=$PWD/$build/bin/mkinstaller

cmake/install_packages.sh qemu-user-static
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ ! -e "$binfmt/qemu-aarch64" ]; then
    cat /usr/lib/binfmt.d/qemu-aarch64.conf >"$binfmt/register"
fi

INSTALLER_TEST_STUB=$stub ctest --test-dir "$build" -L stub -LE slow -j2 --timeout 300 --output-on-failure

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$mkinstaller" build --quiet --arch aarch64 --product VORNA --version 1.0 --platform "for Linux aarch64" \
    examples/vorna "$work/vorna-setup"
"$mkinstaller" info "$work/vorna-setup" | grep -qx 'architecture: aarch64'
"$mkinstaller" verify "$work/vorna-setup" >/dev/null
# Welcome, licence accepted, no to the default directory, the target, no to the location warning, and
# next at the closing screen.
printf 'n\na\nn\n%s\nn\nn\n' "$work/vorna" | "$work/vorna-setup" 2>"$work/install.log"
diff -r examples/vorna "$work/vorna"
grep -q 'Installation complete' "$work/install.log" || { cat "$work/install.log" >&2; exit 1; }
echo "aarch64 stub: $(ctest --test-dir "$build" -N -L stub -LE slow | tail -1 | tr -d ' '), and examples/vorna installed under qemu"
