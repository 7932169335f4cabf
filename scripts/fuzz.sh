#!/usr/bin/env bash
# Fuzzes every parser of untrusted bytes with libFuzzer (clang, ASan and UBSan), one target
# after the other at low priority.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   SECONDS per target (default 300); new corpus
#                                           entries stay in fuzz-corpus/TARGET (not in git),
#                                           crashes, leaks and hangs in fuzz-corpus/findings
#   scripts/fuzz.sh --smoke [SECONDS]       a short run of each target from its seeds only
#                                           (default 10 s; ./test.sh uses it); skipped, with a
#                                           message, where clang's libFuzzer is not installed
# The seeds are written by the targets themselves (--write-seeds) from the program's writers.
# Exit status: 0 when no target found anything, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=0
if [ "${1:-}" = "--smoke" ]; then
    smoke=1
    shift
fi
case "${1:-}" in -h|--help) sed -n '2,11p' "$0"; exit 0 ;; esac
seconds=${1:-$([ "$smoke" = 1 ] && echo 10 || echo 300)}
[ $# -gt 0 ] && shift

# libFuzzer is there when a trivial target links.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
if ! command -v clang++ >/dev/null 2>&1 ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer,address,undefined - -o "$probe/probe" >/dev/null 2>&1; then
    echo "fuzz: SKIPPED: clang++ with the libFuzzer runtime is not installed (Debian: clang, libclang-rt-14-dev)"
    [ "$smoke" = 1 ] && exit 0
    exit 1
fi

build=build-fuzz
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVQ_FUZZ=ON -DVQ_BUILD_TESTS=OFF -DVQ_BUILD_BENCH=OFF -DVQ_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target vq_fuzz_all -j "$(nproc 2>/dev/null || echo 2)"

if [ $# -gt 0 ]; then targets=("$@"); else mapfile -t targets < "$build/fuzz-targets.txt"; fi
if [ "$smoke" = 1 ]; then corpus_root="$probe/corpus"; else corpus_root=fuzz-corpus; fi
findings=fuzz-corpus/findings
mkdir -p "$findings"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
summary=()
for t in "${targets[@]}"; do
    [ -n "$t" ] || continue
    exe="$build/tests/fuzz/$t"
    seeds="$build/seeds/$t"
    rm -rf "$seeds"
    "$exe" --write-seeds="$seeds" >/dev/null 2>&1
    mkdir -p "$corpus_root/$t"
    log="$build/fuzz-$t.log"
    echo "fuzz: $t for ${seconds} s"
    status=0
    nice -n 10 "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$t-" \
        "$corpus_root/$t" "$seeds" >"$log" 2>&1 || status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    corp=$(grep -o 'corp: [0-9]*/[0-9a-zA-Z]*' "$log" | tail -1 | cut -d' ' -f2)
    if [ "$status" -ne 0 ]; then
        failed=1
        line=$(printf '%-24s FOUND SOMETHING (exit %s), see %s and %s' "$t" "$status" "$log" "$findings")
        grep -m3 -E 'ERROR|SUMMARY|runtime error' "$log" || true
    else
        line=$(printf '%-24s execs %-11s %6s/s  cov %-6s ft %-7s corpus %s' "$t" "${execs:-?}" \
            "${rate:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}")
    fi
    echo "fuzz: $line"
    summary+=("$line")
done

echo "fuzz: summary (${seconds} s per target)"
printf 'fuzz:   %s\n' "${summary[@]}"
if [ "$smoke" = 0 ]; then
    { date -u '+%Y-%m-%d %H:%M UTC'; printf '  %s\n' "${summary[@]}"; } >> fuzz-corpus/runs.log
fi
exit "$failed"
