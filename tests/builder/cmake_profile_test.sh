#!/usr/bin/env bash
# The vendor's settings through the installed CMake package: mkinstaller_add_installer's keywords, made
# from the option table, reach the installer (a list keyword as a list, a path from the source
# directory); the text files a PROFILE names rebuild it when they change; an update is rebuilt when its
# old installer (a file or another installer target) changes; the CPack script passes every keyword's
# CPACK_MKINSTALLER_ variable, and cpack puts the checksum beside the package; ARCH holds the stub to its
# machine both ways. The stub is a stand-in for aarch64 carrying both regions.
#   cmake_profile_test.sh BUILD_DIR LIBDIR
set -euo pipefail
build=$1 libdir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "cmake profile: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkinstaller=$work/prefix/bin/mkinstaller

# An aarch64 ELF header (for ARCH), filler, then each region: its marker, capacity (little-endian: the
# stub's own, 65536 and 16384), length, CRC and reserved bytes zero, and the empty content area.
stub=$work/stub
{
    printf '\177ELF\002\001\001\000\000\000\000\000\000\000\000\000\002\000\267\000'
    head -c 44 /dev/zero
    head -c 192 /dev/zero | tr '\0' 'x'
    printf '<licence region>\x00\x00\x01\x00'
    head -c $((12 + 65536)) /dev/zero
    printf '<profile region>\x00\x40\x00\x00'
    head -c $((12 + 16384)) /dev/zero
} >"$stub"

# The JSON value of "key" in `list --json`'s profile object, as printed.
profile_value() {
    "$mkinstaller" list --json "$1" | sed -n "s/^    \"$2\": \(.*\)/\1/p" | sed 's/,$//'
}

project=$work/project
mkdir -p "$project/tree" "$project/tree2" "$project/vendor"
echo hello >"$project/tree/readme.txt"
echo hello again >"$project/tree2/readme.txt"
echo new >"$project/tree2/new.txt"
# The old installer of a full update: the update's own tree, so that only FULL_UPDATE puts files in it.
"$mkinstaller" build --quiet --stub "$stub" "$project/tree2" "$project/old-setup"
printf 'Thank you.\n' >"$project/vendor/closing.txt"
printf '# Acme\nclosing-text = closing.txt\nexit-status = conventional\n' >"$project/vendor/acme.profile"
cat >"$project/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.25)
project(acme VERSION 3.0 LANGUAGES NONE)
find_package(mkinstaller REQUIRED)
mkinstaller_add_installer(acme-installer SOURCE_DIR tree OUTPUT acme-setup
    TITLE "Acme Setup" RECOMMEND /opt /usr/local DEFAULT_DIR /opt/acme PROFILE vendor/acme.profile
    INSTALLER_OPTIONS gnu USER_DEFAULT_DIR "\$HOME/acme"
    OPTIONS --stub "$stub" --quiet)
mkinstaller_add_installer(acme-update SOURCE_DIR tree2 OUTPUT acme-update-setup UPDATE_FROM acme-installer
    OPTIONS --stub "$stub" --quiet)
mkinstaller_add_installer(acme-arm SOURCE_DIR tree OUTPUT acme-arm-setup ARCH aarch64 OPTIONS --stub "$stub" --quiet)
mkinstaller_add_installer(acme-full-update SOURCE_DIR tree2 OUTPUT acme-full-update-setup UPDATE_FROM old-setup
    FULL_UPDATE OPTIONS --stub "$stub" --quiet)

install(DIRECTORY tree/ DESTINATION share/acme)
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT \${MKINSTALLER_CPACK_SCRIPT})
set(CPACK_MKINSTALLER_PRODUCT "Acme Tools")
set(CPACK_MKINSTALLER_OPTIONS --stub "$stub" --quiet --checksum)
include(CPack)
EOF
cmake -S "$project" -B "$work/out" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/out" --target acme-installer >/dev/null || fail "the installer target failed"
setup=$work/out/acme-setup
"$mkinstaller" verify --any-stub "$setup" >/dev/null || fail "the target built a bad installer"
test "$(profile_value "$setup" title)" = '"Acme Setup"' || fail "TITLE: $(profile_value "$setup" title)"
test "$(profile_value "$setup" recommend)" = '["/opt/", "/usr/local/"]' ||
    fail "RECOMMEND: $(profile_value "$setup" recommend)"
test "$(profile_value "$setup" exit_status)" = '"conventional"' || fail "PROFILE's exit-status"
test "$(profile_value "$setup" installer_options)" = '"gnu"' || fail "INSTALLER_OPTIONS"
test "$(profile_value "$setup" user_default_dir)" = '"$HOME/acme"' ||
    fail "USER_DEFAULT_DIR: $(profile_value "$setup" user_default_dir)"

cmake --build "$work/out" --target acme-arm >/dev/null || fail "ARCH aarch64 refused an aarch64 stub"
"$mkinstaller" info "$work/out/acme-arm-setup" | grep -qx "architecture: aarch64" || fail "ARCH: not aarch64"

# The updates: from the target's installer, what changed; from the file, every file (FULL_UPDATE).
cmake --build "$work/out" --target acme-update acme-full-update >/dev/null || fail "the update targets failed"
entries() { "$mkinstaller" list --json "$1" | sed -n 's/^ *{"name": "\([^"]*\)".*/\1/p' | tr '\n' ' '; }
for update in acme-update acme-full-update; do
    test "$(entries "$work/out/$update-setup")" = "new.txt readme.txt " || fail "$update: $(entries "$work/out/$update-setup")"
done

# Editing the profile's text file rebuilds the installer, and nothing else does; the update from it
# follows, as does the one whose old installer file was replaced.
again=$(cmake --build "$work/out")
grep -q 'no work to do' <<<"$again" || fail "rebuilt without a change: $again"
printf 'Thank you again.\n' >"$project/vendor/closing.txt"
cmake --build "$work/out" --target acme-installer >/dev/null
test "$(profile_value "$setup" closing_text)" = '"Thank you again.\n"' ||
    fail "not rebuilt for the closing text: $(profile_value "$setup" closing_text)"
"$mkinstaller" build --quiet --stub "$stub" --version 1.1 "$project/tree2" "$project/old-setup"
again=$(cmake --build "$work/out" --target acme-update acme-full-update)
for update in acme-update acme-full-update; do
    grep -q "Building the installer $work/out/$update-setup\$" <<<"$again" || fail "$update was not rebuilt: $again"
done

# The CPack script as cpack runs it, with the variables a project sets.
mkdir -p "$work/stage/bin"
echo tool >"$work/stage/bin/tool"
chmod 0644 "$work/stage/bin/tool"
cmake -DCPACK_EXTERNAL_ENABLE_STAGING=ON -DCPACK_TEMPORARY_DIRECTORY="$work/stage" \
    -DCPACK_TOPLEVEL_DIRECTORY="$work" -DCPACK_PACKAGE_NAME=acme -DCPACK_PACKAGE_VERSION=2.0 \
    -DCPACK_MKINSTALLER_PLATFORM="for Acme Linux" -DCPACK_MKINSTALLER_TITLE="Acme Setup; 2" \
    -DCPACK_MKINSTALLER_RECOMMEND="/opt;/srv" -DCPACK_MKINSTALLER_DEFAULT_DIR=/srv/acme \
    -DCPACK_MKINSTALLER_SAME_NAME_REMOVAL=path -DCPACK_MKINSTALLER_UNIFORM_MODE=ON \
    -DCPACK_MKINSTALLER_INSTALLER_OPTIONS=gnu -DCPACK_MKINSTALLER_USER_DEFAULT_DIR='$HOME/acme' \
    -DCPACK_MKINSTALLER_OPTIONS="--stub;$stub;--quiet" \
    -P "$work/prefix/$libdir/cmake/mkinstaller/mkinstallerCPack.cmake" >/dev/null || fail "the CPack script failed"
packed=$work/acme-2.0-setup
"$mkinstaller" list --json "$packed" | grep -q '"platform": "for Acme Linux"' || fail "CPACK_MKINSTALLER_PLATFORM"
test "$(profile_value "$packed" title)" = '"Acme Setup; 2"' || fail "CPACK_MKINSTALLER_TITLE"
test "$(profile_value "$packed" recommend)" = '["/opt/", "/srv/"]' || fail "CPACK_MKINSTALLER_RECOMMEND"
test "$(profile_value "$packed" default_dir)" = '"/srv/acme"' || fail "CPACK_MKINSTALLER_DEFAULT_DIR"
test "$(profile_value "$packed" same_name_removal)" = '"path"' || fail "CPACK_MKINSTALLER_SAME_NAME_REMOVAL"
test "$(profile_value "$packed" installer_options)" = '"gnu"' || fail "CPACK_MKINSTALLER_INSTALLER_OPTIONS"
test "$(profile_value "$packed" user_default_dir)" = '"$HOME/acme"' || fail "CPACK_MKINSTALLER_USER_DEFAULT_DIR"
"$mkinstaller" list --json "$packed" | grep -q '"name": "bin/tool".*"mode": "0100755"' ||
    fail "CPACK_MKINSTALLER_UNIFORM_MODE"

said=$(cmake -DCPACK_EXTERNAL_ENABLE_STAGING=ON -DCPACK_TEMPORARY_DIRECTORY="$work/stage" \
    -DCPACK_TOPLEVEL_DIRECTORY="$work" -DCPACK_PACKAGE_NAME=acme -DCPACK_PACKAGE_VERSION=2.1 \
    -DCPACK_MKINSTALLER_ARCH=x86-64 -DCPACK_MKINSTALLER_OPTIONS="--stub;$stub;--quiet" \
    -P "$work/prefix/$libdir/cmake/mkinstaller/mkinstallerCPack.cmake" 2>&1) && fail "CPACK_MKINSTALLER_ARCH ignored"
grep -q "is for aarch64, not x86-64" <<<"$said" || fail "CPACK_MKINSTALLER_ARCH: $said"

# cpack itself: the checksum lands beside the package, and CPACK_MKINSTALLER_PRODUCT is the name shown.
(cd "$work/out" && cpack -G External >/dev/null) || fail "cpack failed"
test "$(stat -c %a "$work/out/acme-3.0-setup.sha256")" = 644 || fail "no checksum 0644 beside the package"
(cd "$work/out" && sha256sum --quiet -c acme-3.0-setup.sha256) || fail "the package's checksum does not match"
"$mkinstaller" info "$work/out/acme-3.0-setup" | grep -q "Acme Tools 3.0 for Linux" || fail "CPACK_MKINSTALLER_PRODUCT"

# Awkward names and values under both generators: files beneath SOURCE_DIR named with ':', '#', '$', a
# blank, ';' and an unpaired bracket are listed so that a second build does nothing and a changed file
# rebuilds; a value holding ';', the settings file's bracket quote and a generator expression reaches
# the installer as written. What no build rule can carry is refused at configure time, naming the keyword.
awkward=$work/awkward
mkdir -p "$awkward/tree/a:b"
for name in 'c#d' 'e$f' 'g h' 'i;j' 'k[l'; do echo "$name" >"$awkward/tree/a:b/$name"; done
write_awkward_project() {
    cat >"$awkward/CMakeLists.txt" <<'AWKWARD'
cmake_minimum_required(VERSION 3.25)
project(awkward LANGUAGES NONE)
find_package(mkinstaller REQUIRED)
mkinstaller_add_installer(awkward-installer ALL SOURCE_DIR tree OPTIONS --stub ${STUB} --quiet
AWKWARD
    echo "    $1)" >>"$awkward/CMakeLists.txt"
}
for generator in Ninja "Unix Makefiles"; do
    out=$work/awkward-${generator%% *}
    write_awkward_project 'OUTPUT "out/awkward setup" TITLE "A;B ]==] $<CONFIG>"'
    cmake -S "$awkward" -B "$out" -G "$generator" -DCMAKE_PREFIX_PATH="$work/prefix" -DSTUB="$stub" >/dev/null ||
        fail "$generator: configuring awkward names failed"
    cmake --build "$out" >/dev/null || fail "$generator: awkward names failed to build"
    test "$(profile_value "$out/out/awkward setup" title)" = '"A;B ]==] $<CONFIG>"' ||
        fail "$generator: TITLE came out as $(profile_value "$out/out/awkward setup" title)"
    for name in 'c#d' 'e$f' 'g h' 'i;j' 'k[l'; do
        again=$(cmake --build "$out")
        if grep -q 'Building the installer' <<<"$again"; then fail "$generator: rebuilt without a change"; fi
        echo changed >>"$awkward/tree/a:b/$name"
        grep -q 'Building the installer' <<<"$(cmake --build "$out")" || fail "$generator: $name changed, no rebuild"
    done
    if [ "$generator" = Ninja ]; then
        grep -q 'no work to do' <<<"$(ninja -C "$out" -n)" || fail "ninja -n: $(ninja -C "$out" -n -d explain 2>&1)"
    fi
    refused=(OUTPUT 'OUTPUT "out/a|b"' RECOMMEND 'OUTPUT setup RECOMMEND "/opt[" /srv' OUTPUT 'OUTPUT ../awkward/tree/x/setup')
    if [ "$generator" != Ninja ]; then refused+=(OUTPUT 'OUTPUT out/a:b'); fi
    if [ "$generator" = Ninja ]; then refused+=(OUTPUT 'OUTPUT "out/setup\$1"'); fi
    for ((i = 0; i < ${#refused[@]}; i += 2)); do
        write_awkward_project "${refused[i + 1]}"
        said=$(cmake -S "$awkward" -B "$work/refused" -G "$generator" -DCMAKE_PREFIX_PATH="$work/prefix" \
            -DSTUB="$stub" 2>&1) && fail "$generator: ${refused[i + 1]} was accepted"
        grep -q "mkinstaller_add_installer: ${refused[i]} " <<<"$said" || fail "$generator: ${refused[i + 1]}: $said"
        rm -rf "$work/refused"
    done
done
