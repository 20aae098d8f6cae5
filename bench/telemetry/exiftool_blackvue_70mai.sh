#!/usr/bin/env bash
# velto-telemetry beside `exiftool -ee` on the same one-hour files (written by
# bench_blackvue_70mai --write): wall time of the whole command, output to /dev/null, median
# of 5 runs after one warm-up run (files in the page cache), and the ratio.
#   bench_exiftool_blackvue_70mai [VELTO_TELEMETRY]
# ExifTool reads no sidecar: the sidecar row times it on the BlackVue file, which holds the
# same log.
set -euo pipefail
BENCH=@BENCH@
TOOL=${1:-@VELTO_TELEMETRY@}
command -v exiftool >/dev/null || { echo "exiftool not found (libimage-exiftool-perl)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t files < <("$BENCH" --write "$work")
seventymai=${files[0]} blackvue=${files[1]} sidecar=${files[2]}

# Median wall time in milliseconds of 5 runs of the command.
median_ms() {
  "$@" >/dev/null 2>&1 || true
  local times=()
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | awk '{printf "%.1f", $1 / 1000}'
}

printf '%-16s %14s %14s %8s\n' recording velto_ms exiftool_ms ratio
row() { # name, our file, exiftool's file
  local ours theirs
  ours=$(median_ms "$TOOL" "$2")
  theirs=$(median_ms env TZ=UTC exiftool -ee -n "$3")
  printf '%-16s %14s %14s %8s\n' "$1" "$ours" "$theirs" "$(awk -v a="$theirs" -v b="$ours" 'BEGIN{printf "%.0fx", a / b}')"
}
row "70mai GPS box" "$seventymai" "$seventymai"
row "BlackVue" "$blackvue" "$blackvue"
row "NMEA sidecar" "$sidecar" "$blackvue"
