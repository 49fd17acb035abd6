#!/usr/bin/env bash
# Runs every fuzz target of the fuzz preset for SECONDS each (default 60), starting from the seed corpus
# kept in fuzz/corpus. Exits non-zero at the first finding: a crash, a sanitizer report, a broken promise
# of a harness, a leak (decoder, encoder) or an input that runs longer than 10 seconds. The seeds are
# copied to a working corpus first, so the repository's corpus only changes when someone copies new inputs
# into it.
# Usage: fuzz/run_fuzzers.sh [SECONDS] [TARGET...]
#        (targets: decoder decoder_paths payload dialogue encoder)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(decoder decoder_paths payload dialogue encoder)

work=$(mktemp -d "${TMPDIR:-/tmp}/fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

for target in "${targets[@]}"; do
    # The payload and dialogue harnesses continue past the installer's fatal paths, which leave what a
    # process about to end may leave; leaks are checked for the decoder and the encoder here and for whole
    # runs by the tests (valgrind, and the suite under ASan).
    case $target in
        decoder | decoder_paths | encoder) leaks=1 ;;
        *) leaks=0 ;;
    esac
    export ASAN_OPTIONS="abort_on_error=0:allocator_may_return_null=1:detect_leaks=$leaks"
    mkdir -p "$work/$target" "$root/build/fuzz/findings"
    cp "$root/fuzz/corpus/$target/"* "$work/$target/"
    echo "== $target: ${seconds}s"
    set +e
    "$root/build/fuzz/bin/${target}_fuzz" "$work/$target" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 -detect_leaks=$leaks \
        -print_final_stats=1 -artifact_prefix="$root/build/fuzz/findings/${target}-" >"$work/$target.log" 2>&1
    status=$?
    set -e
    grep -E '^(INFO: Seed|Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb))' \
        "$work/$target.log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 80 "$work/$target.log"
        echo "== $target: finding (exit status $status); the input is saved in build/fuzz/findings/"
        exit 1
    fi
done
