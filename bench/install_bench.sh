#!/usr/bin/env bash
# Installing a real tree with `installer` against tar and gzip on the same tree, side by side in one run,
# printed as ratios: the build (mkinstaller build at the default level against tar -czf), an install into
# an empty target and into one that already holds the tree (against tar -xzf into an empty directory), and
# the installer's peak memory against twice its largest file plus 16 MiB. A benchmark, never a test.
#
#   bash bench/install_bench.sh                 # /usr/include, 5 rounds, targets under /tmp
#   BENCH_TREE=/some/dir BENCH_ROUNDS=7 bash bench/install_bench.sh
#   BENCH_TMPFS=1 bash bench/install_bench.sh   # everything on a tmpfs, mounted in a private mount
#                                               # namespace (needs unshare -m, as root)
#   BENCH_TMPFS=/mnt/ram bash bench/install_bench.sh   # on a tmpfs already mounted there
#   BENCH_TASKSET=0 bash bench/install_bench.sh # both sides pinned to CPU 0 (taskset -c 0): one core,
#                                               # so tar's gzip process cannot overlap its file work
#
# Every target lies in a fresh directory, removed at the end. Nothing is deleted between rounds: a file
# system that has just freed thousands of inodes creates new ones more slowly, which would favour
# whichever side ran first; and the sides take turns going first. Each figure is the best of the rounds,
# since a shared machine only adds time. The load average is printed before and after: figures taken
# with a load near or above the number of cores are not worth keeping.
set -euo pipefail
cd "$(dirname "$0")/.."

tree=${BENCH_TREE:-/usr/include}
rounds=${BENCH_ROUNDS:-5}
tmpfs=${BENCH_TMPFS:-}
pin=()
[ -n "${BENCH_TASKSET:-}" ] && pin=(taskset -c "$BENCH_TASKSET")

cmake --preset release >/dev/null
cmake --build build/release >/dev/null
bin=$PWD/build/release/bin

if [ "$tmpfs" = 1 ] && [ -z "${BENCH_IN_NAMESPACE:-}" ]; then
    # Again, inside a mount namespace of its own: the tmpfs vanishes with it.
    exec unshare -m env BENCH_IN_NAMESPACE=1 bash "$0" "$@"
fi
if [ "$tmpfs" = 1 ]; then
    mount --make-rprivate /
    work=$(mktemp -d /tmp/install-bench.XXXXXX)
    mount -t tmpfs -o size=4g tmpfs "$work"
    trap 'umount "$work"; rmdir "$work"' EXIT
elif [ -n "$tmpfs" ]; then
    work=$(mktemp -d "$tmpfs/install-bench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
else
    work=$(mktemp -d /tmp/install-bench.XXXXXX)
    trap 'rm -rf "$work"' EXIT
fi

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
    answers "$1" | "${pin[@]}" "$work/setup"
}

check_complete() {
    if ! tail -c 200 "$work/last.err" | grep -q "Installation complete."; then
        echo "the installer did not complete:" >&2
        tail -c 400 "$work/last.err" >&2
        exit 1
    fi
}

files=$(find "$tree" -type f | wc -l)
echo "tree: $tree ($files files, $(du -sh "$tree" | cut -f1)); work in $work ($(stat -f -c %T "$work"))${pin[*]:+; pinned: ${pin[*]}}"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

build_ours=() build_tar=()
for ((i = 0; i < rounds; i++)); do
    if ((i % 2 == 0)); then
        build_ours+=("$(elapsed "${pin[@]}" "$bin/mkinstaller" build --allow-same-name --build-time 0 "$tree" "$work/setup")")
        build_tar+=("$(elapsed "${pin[@]}" tar -czf "$work/tree.tgz" -C "$(dirname "$tree")" "$(basename "$tree")")")
    else
        build_tar+=("$(elapsed "${pin[@]}" tar -czf "$work/tree.tgz" -C "$(dirname "$tree")" "$(basename "$tree")")")
        build_ours+=("$(elapsed "${pin[@]}" "$bin/mkinstaller" build --allow-same-name --build-time 0 "$tree" "$work/setup")")
    fi
done

fresh_ours=() update_ours=() fresh_tar=()
tar_round() {
    mkdir "$work/tar$1"
    fresh_tar+=("$(elapsed "${pin[@]}" tar -xzf "$work/tree.tgz" -C "$work/tar$1")")
}
ours_round() {
    fresh_ours+=("$(elapsed run_installer "$work/ours$1")")
    check_complete
    update_ours+=("$(elapsed run_installer "$work/ours$1")")
    check_complete
}
for ((i = 0; i < rounds; i++)); do
    if ((i % 2 == 0)); then
        tar_round "$i"
        ours_round "$i"
    else
        ours_round "$i"
        tar_round "$i"
    fi
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
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
