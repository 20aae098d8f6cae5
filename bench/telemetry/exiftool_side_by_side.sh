#!/usr/bin/env bash
# velto-telemetry beside `exiftool -ee` on the same one-hour recordings of each real camera
# format (written by bench_formats): wall time of the whole process, median of 5 runs, and the
# ratio. Usage: bench/telemetry/exiftool_side_by_side.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build}
TOOL=$BUILD/tools/velto-telemetry/velto-telemetry
BENCH=$BUILD/bench/telemetry/bench_formats
command -v exiftool >/dev/null || { echo "exiftool is missing (libimage-exiftool-perl)" >&2; exit 1; }
[ -x "$TOOL" ] && [ -x "$BENCH" ] || { echo "build velto-telemetry and bench_formats first" >&2; exit 1; }

DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
VELTO_BENCH_KEEP_DIR=$DIR "$BENCH" --benchmark_filter=BM_DetectNoneOfThem \
  --benchmark_min_time=0.01 >/dev/null

# Median wall time in milliseconds of 5 runs of a command (output discarded).
median_ms() {
  local times=()
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

printf '%-28s %12s %12s %8s\n' file velto-ms exiftool-ms ratio
for f in novatek-index.MP4 novatek-scan.MP4 text-gps.MP4 none.MP4; do
  ours=$(median_ms "$TOOL" --info "$DIR/$f")
  theirs=$(median_ms env TZ=UTC exiftool -ee -n "$DIR/$f")
  ratio=$(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.0fx", a / (b > 0 ? b : 1) }')
  printf '%-28s %12s %12s %8s\n' "$f" "$ours" "$theirs" "$ratio"
done
