#!/usr/bin/env bash
# Builds Vornax_Qi and runs the whole test suite.
#   ./test.sh          AddressSanitizer + UndefinedBehaviorSanitizer build, all tests, then a
#                      short libFuzzer run of every fuzz target (skipped, with a message,
#                      without clang)
#   ./test.sh --tsan   ThreadSanitizer build, all tests
# Installs the Debian packages it needs when they are missing. Where the machine allows it,
# the tests run in a network namespace that holds only loopback, so nothing can leave the host.
set -euo pipefail
cd "$(dirname "$0")"

mode=asan
for arg in "$@"; do
  case "$arg" in
    --tsan) mode=tsan ;;
    --asan) mode=asan ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "test.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

. ./scripts/deps.sh
install_deps
# Optional: the fuzz targets' short runs are skipped (with a message) without clang.
install_fuzz_deps || echo "test.sh: clang and libFuzzer could not be installed; the fuzz runs will be skipped"

jobs=$(nproc 2>/dev/null || echo 2)
# ccache, where installed, keeps rebuilds short.
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ "$mode" = tsan ]; then
  build=build-tsan; sanitize=thread
else
  build=build-asan; sanitize=address
fi

cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ_SANITIZE="$sanitize" \
      -DVQ_WERROR=ON -DVQ_BUILD_BENCH=ON
cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"
ctest_cmd=(ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600)

# Every fuzz target for a short run (about 10 s each) from its seeds, in a separate clang build.
fuzz_cmd=(true)
[ "$mode" = asan ] && fuzz_cmd=(./scripts/fuzz.sh --smoke 10)

if unshare --net true 2>/dev/null; then
  echo "test.sh: running the tests in a loopback-only network namespace"
  unshare --net -- bash -c 'ip link set lo up && exec "$@"' _ "${ctest_cmd[@]}"
  unshare --net -- bash -c 'ip link set lo up && exec "$@"' _ "${fuzz_cmd[@]}"
else
  echo "test.sh: cannot make a network namespace here; tests use loopback addresses only"
  "${ctest_cmd[@]}"
  "${fuzz_cmd[@]}"
fi
