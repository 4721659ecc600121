#!/usr/bin/env bash
# Configures (once) and builds the project into ./build.
#   --sanitize   build into ./build-asan with AddressSanitizer and
#                UndefinedBehaviorSanitizer instead
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLINE_SANITIZE=ON)
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${flags[@]}"
fi
cmake --build "$dir" -j2
