#!/usr/bin/env bash
# Installs what is missing, builds, and runs klineview: the chart window when
# there is a display, otherwise a PNG snapshot of the chart.
set -euo pipefail
start_dir=$PWD
cd "$(dirname "$0")"
./scripts/setup-deps.sh
./scripts/build.sh
bin=./build/apps/klineview/klineview

# Jobs that need no window run as asked, display or not.
for arg in "$@"; do
  case "$arg" in
    --list | --help | -h | --snapshot | --snapshot=*) exec "$bin" "$@" ;;
  esac
done

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin" "$@"
fi

out=${KLINEVIEW_SNAPSHOT:-$start_dir/klineview-snapshot.png}
case "$out" in
  /*) ;;
  *) out=$start_dir/$out ;;
esac
echo "klineview: no display; rendering the chart to a PNG file:" >&2
exec "$bin" --snapshot "$out" "$@"
