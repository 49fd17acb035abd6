#!/usr/bin/env bash
# Installing a real tree with `installer` against tar and gzip on the same tree, side by side in one run,
# printed as ratios: the build (mkinstaller build at the default level against tar -czf), an install into
# an empty target and into one that already holds the tree (against tar -xzf into an empty directory), and
# the installer's peak memory against twice its largest file plus 16 MiB. A benchmark, never a test.
#
#   bash bench/install_bench.sh            # /usr/include, 3 rounds
#   BENCH_TREE=/some/dir BENCH_ROUNDS=5 bash bench/install_bench.sh
#
# Every target lies in a fresh directory under /tmp, removed at the end. Nothing is deleted between rounds:
# a file system that has just freed thousands of inodes creates new ones more slowly, which would favour
# whichever side ran first. Each figure is the best of the rounds, since a shared machine only adds time.
set -euo pipefail
cd "$(dirname "$0")/.."

tree=${BENCH_TREE:-/usr/include}
rounds=${BENCH_ROUNDS:-3}

cmake --preset release >/dev/null
cmake --build build/release >/dev/null
bin=$PWD/build/release/bin

work=$(mktemp -d /tmp/install-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
# Seconds taken by the command given, printed; its standard error goes to $work/last.err.
elapsed() {
    local start
    start=$(now)
    "$@" >/dev/null 2>"$work/last.err"
    echo "$(now) - $start" | bc -l
}
best() { printf '%s\n' "$@" | sort -g | head -1; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

# The dialogue as a person answers it: Next at the welcome, accept the licence, decline the default
# directory, type the target, decline choosing another (a target outside /usr and /home is warned about),
# Next at the directory-exists warning (an update), Next after "Files installed!".
answers() { printf 'n\na\nn\n%s\nn\nn\nn\nn\n' "$1"; }

run_installer() {  # target
    answers "$1" | "$work/setup"
}

check_complete() {
    if ! tail -c 200 "$work/last.err" | grep -q "Installation complete."; then
        echo "the installer did not complete:" >&2
        tail -c 400 "$work/last.err" >&2
        exit 1
    fi
}

files=$(find "$tree" -type f | wc -l)
echo "tree: $tree ($files files, $(du -sh "$tree" | cut -f1))"

build_ours=() build_tar=()
for ((i = 0; i < rounds; i++)); do
    build_ours+=("$(elapsed "$bin/mkinstaller" build --allow-same-name --build-time 0 "$tree" "$work/setup")")
    build_tar+=("$(elapsed tar -czf "$work/tree.tgz" -C "$(dirname "$tree")" "$(basename "$tree")")")
done

fresh_ours=() update_ours=() fresh_tar=()
for ((i = 0; i < rounds; i++)); do
    mkdir "$work/tar$i"
    fresh_tar+=("$(elapsed tar -xzf "$work/tree.tgz" -C "$work/tar$i")")
    fresh_ours+=("$(elapsed run_installer "$work/ours$i")")
    check_complete
    update_ours+=("$(elapsed run_installer "$work/ours$i")")
    check_complete
done

largest=$(find "$tree" -type f -printf '%s\n' | sort -n | tail -1)
peak_kib=$( (answers "$work/memory" | /usr/bin/time -f '%M' "$work/setup" 2>&1 >/dev/null) | tail -1)
limit_kib=$(((2 * largest + 16 * 1024 * 1024) / 1024))

tar_build=$(best "${build_tar[@]}")
tar_fresh=$(best "${fresh_tar[@]}")
printf '%-34s %8s %8s %7s\n' "best of $rounds rounds (seconds)" ours tar ratio
printf '%-34s %8.2f %8.2f %7s\n' "build (mkinstaller build, -czf)" "$(best "${build_ours[@]}")" "$tar_build" \
    "$(ratio "$(best "${build_ours[@]}")" "$tar_build")"
printf '%-34s %8.2f %8.2f %7s\n' "install into an empty target" "$(best "${fresh_ours[@]}")" "$tar_fresh" \
    "$(ratio "$(best "${fresh_ours[@]}")" "$tar_fresh")"
printf '%-34s %8.2f %8.2f %7s\n' "update (target holds the tree)" "$(best "${update_ours[@]}")" "$tar_fresh" \
    "$(ratio "$(best "${update_ours[@]}")" "$tar_fresh")"
printf 'peak memory of an install: %d KiB; twice the largest file (%d bytes) plus 16 MiB: %d KiB\n' \
    "$peak_kib" "$largest" "$limit_kib"
