#!/usr/bin/env bash
# Configures (once) and builds the project into ./build.
#   --sanitize   build into ./build-asan with AddressSanitizer and
#                UndefinedBehaviorSanitizer instead
#   --tsan       build into ./build-tsan with ThreadSanitizer and the thread
#                stress tests (KLINE_STRESS_TESTS) instead
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLINE_SANITIZE=ON)
elif [ "${1:-}" = "--tsan" ]; then
  dir=build-tsan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLINE_SANITIZE=thread -DKLINE_STRESS_TESTS=ON)
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${flags[@]}"
fi
cmake --build "$dir" -j2
