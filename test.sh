#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   ./test.sh --sanitize [ctest args]   the same under AddressSanitizer and
#                                       UndefinedBehaviorSanitizer (./build-asan)
#   ./test.sh --tsan [ctest args]       the same plus the stress tests under
#                                       ThreadSanitizer (./build-tsan); a race
#                                       report fails its test (exit code 66)
# Leak checks are off by default: klineview's window, run as a child by the
# apps tests, leaves a cycle of Qt's line edit clear-button animation that no
# suppression can name with fast stacks. ASAN_OPTIONS=detect_leaks=1 turns
# them on (Qt's known leaks suppressed by scripts/lsan.supp).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh
dir=build
if [ "${1:-}" = "--sanitize" ]; then
  shift
  dir=build-asan
  ./scripts/build.sh --sanitize
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
elif [ "${1:-}" = "--tsan" ]; then
  shift
  dir=build-tsan
  ./scripts/build.sh --tsan
  export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$PWD/scripts/tsan.supp:second_deadlock_stack=1}
else
  ./scripts/build.sh
fi
cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
