#!/usr/bin/env bash
# Builds the libFuzzer targets into ./build-fuzz (clang; the libraries under
# test are instrumented too, see cmake/KLineSanitize.cmake) and runs each for
# SECONDS. Fails when any target reports a crash, a sanitizer finding, a leak,
# a timeout or an out-of-memory.
#   scripts/fuzz.sh SECONDS [TARGET ...]    default: every fuzz/fuzz_*.cpp
# Environment:
#   FUZZ_JOBS=N   targets run at once (default 1)
#   FUZZ_LEAKS=1  leak checks for the JSON parsers too (slower, see below)
#   FUZZ_WORK=DIR where each target runs: DIR/<target>/ holds its log, the
#                 corpus it grew and any finding (crash-*, leak-*, timeout-*,
#                 oom-*); default a new folder under /tmp. The seeds in
#                 fuzz/corpus/<target>/ are only read.
# Builds take /tmp/build.lock (flock), so they never overlap other builds on a
# shared machine.
set -euo pipefail
secs=${1:-}
if ! [[ "$secs" =~ ^[0-9]+$ ]] || [ "$secs" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh SECONDS [TARGET ...]" >&2
  exit 2
fi
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
if ! command -v clang++ >/dev/null; then
  echo "fuzz: needs clang++ with libFuzzer (Debian: apt-get install clang)" >&2
  exit 2
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$root"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

"$root/scripts/setup-deps.sh"
lock=(flock /tmp/build.lock)
command -v flock >/dev/null || lock=()
if [ ! -f "$build/build.ninja" ]; then
  CXX=clang++ "${lock[@]}" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKLINE_BUILD_FUZZ=ON -DKLINE_BUILD_TESTS=OFF
fi
"${lock[@]}" cmake --build "$build" -j2 --target "${targets[@]}"

work=${FUZZ_WORK:-$(mktemp -d /tmp/kline-fuzz.XXXXXX)}
mkdir -p "$work"
echo "fuzz: $secs s per target, work folder $work"

# Sanitizer settings of every run: stop at the first report, leaks checked
# with Qt's own leaks suppressed (scripts/lsan.supp gives the reasons).
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen
export KLINE_DATA_DIR=${KLINE_DATA_DIR:-$root/data}

run_one() {
  local t=$1 dir=$work/$1
  mkdir -p "$dir/corpus"
  local args=(-max_total_time="$secs" -print_final_stats=1 -timeout=25 -rss_limit_mb=3072
    -malloc_limit_mb=512 -artifact_prefix="$dir/")
  [ -f "$root/fuzz/$t.dict" ] && args+=(-dict="$root/fuzz/$t.dict")
  local env=()
  case $t in
    # The editor's check refuses texts past its limit: inputs must reach it.
    fuzz_formula_check) args+=(-max_len=70000 -timeout=10) ;;
    # Parsers on QJsonDocument: Qt's parser leaks on repeated keys, and its
    # suppression needs full stacks, about 6 times slower. FUZZ_LEAKS=1 pays
    # that; by default these run without leak checks (memory errors, undefined
    # behaviour, timeouts and memory limits are still findings).
    fuzz_user_formulas | fuzz_formula_catalog | fuzz_templates | fuzz_selfstocks | \
      fuzz_holding_exdata | fuzz_layout_file)
      if [ "${FUZZ_LEAKS:-0}" = 1 ]; then
        env=(ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0")
      else
        args+=(-detect_leaks=0)
        env=(ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0")
      fi
      ;;
  esac
  local seeds=()
  [ -d "$root/fuzz/corpus/$t" ] && seeds=("$root/fuzz/corpus/$t")
  # Each target in its own folder and home: crash files and user files stay there.
  local rc=0
  (cd "$dir" && env KLINEVIEW_HOME="$dir/home" "${env[@]}" "$build/fuzz/$t" "${args[@]}" corpus "${seeds[@]}") \
    >"$dir/log" 2>&1 || rc=$?
  echo "$rc" >"$dir/rc"
}

summary() {
  local t=$1 log=$work/$1/log
  local runs cov ft
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  printf '%-24s %10s runs  cov %6s  ft %6s\n' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}"
}

jobs_max=${FUZZ_JOBS:-1}
failed=()
declare -A pids=()
finish() {
  local t=$1
  wait "${pids[$t]}" || true
  summary "$t"
  if [ "$(cat "$work/$t/rc" 2>/dev/null)" != 0 ]; then
    echo "fuzz: $t FAILED, see $work/$t/log" >&2
    grep -m3 -E 'ERROR: |runtime error|SUMMARY' "$work/$t/log" >&2 || true
    failed+=("$t")
  fi
  unset "pids[$t]"
}
for t in "${targets[@]}"; do
  while [ ${#pids[@]} -ge "$jobs_max" ]; do
    wait -n || true
    for p in "${!pids[@]}"; do
      kill -0 "${pids[$p]}" 2>/dev/null || finish "$p"
    done
  done
  run_one "$t" &
  pids[$t]=$!
done
for p in "${!pids[@]}"; do finish "$p"; done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs under $work/<target>/)" >&2
  exit 1
fi
echo "fuzz: no findings"
