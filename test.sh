#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   ./test.sh --sanitize [ctest args]   the same under AddressSanitizer and
#                                       UndefinedBehaviorSanitizer (./build-asan)
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
else
  ./scripts/build.sh
fi
cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
