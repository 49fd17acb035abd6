#!/usr/bin/env bash
# Installs those of the Debian packages named that are not installed yet: what the build needs beyond
# the machine as it comes (musl, the aarch64 cross compiler, the emulator the tests run that stub under).
# A package for another architecture (musl-dev:arm64) adds that architecture to dpkg first. Needs root
# and apt-get; without them it names what is missing and fails.
set -euo pipefail
missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "missing Debian packages: ${missing[*]} (as root: apt-get install ${missing[*]})" >&2
    exit 1
fi
echo "installing Debian packages: ${missing[*]}"
for package in "${missing[@]}"; do
    case $package in
    *:*)
        arch=${package#*:}
        if [ "$arch" != "$(dpkg --print-architecture)" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
            dpkg --add-architecture "$arch"
        fi
        ;;
    esac
done
apt-get update -q >/dev/null
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
