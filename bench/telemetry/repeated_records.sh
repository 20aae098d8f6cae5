#!/usr/bin/env bash
# Resident memory on 4 MB recordings whose table points 2^20 times at one record and whose
# movie header gives no duration (text track, interleaved second track).
#   bench_repeated_records [VELTO_TELEMETRY] [VELTO_PLAYER]
# velto-telemetry: the maximum resident set of each output format (/usr/bin/time -v) and
# the size of what it writes.
# The player: VmRSS and VmHWM from /proc/PID/status 5 s after its map page is ready, started
# without a file and started with one recording on its command line (imported and played
# at start-up, its route sent to the map); the growth is the difference. A fresh HOME each
# run. Runs on the current display, or on a private Xvfb when there is none. An empty
# VELTO_PLAYER leaves the player out.
set -euo pipefail
MAKE=@MAKE_REPEATED_RECORDING@
TOOL=${1:-@VELTO_TELEMETRY@}
PLAYER=${2-@VELTO_PLAYER@}

if [ -n "$PLAYER" ] && [ -z "${VELTO_BENCH_INNER:-}" ] &&
   ! { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  export VELTO_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" "$0" "$TOOL" "$PLAYER"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t files < <("$MAKE" "$work")

printf '%-18s %-8s %12s %14s\n' recording format max_rss_kib output_bytes
for f in "${files[@]}"; do
  for format in csv gpx geojson; do
    /usr/bin/time -f '%M' -o "$work/time" "$TOOL" --format "$format" "$f" >"$work/out"
    printf '%-18s %-8s %12s %14s\n' "$(basename "$f")" "$format" "$(cat "$work/time")" \
      "$(stat -c %s "$work/out")"
  done
done
[ -n "$PLAYER" ] || exit 0

export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu --no-sandbox}"
export VELTO_TRACE_STARTUP=1

status_kib() { sed -n "s/^$2:[[:space:]]*\([0-9]*\) kB/\1/p" "/proc/$1/status"; }

# Starts the player with the given files, waits for its map page and 5 s more, prints
# VmRSS and VmHWM of the player process.
player_memory() {
  local home; home=$(mktemp -d -p "$work")
  mkdir -p "$home/run" && chmod 700 "$home/run"
  HOME=$home XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/.config \
    XDG_CACHE_HOME=$home/.cache "$PLAYER" "$@" >"$home/log" 2>&1 &
  local pid=$! ready=''
  for _ in $(seq 1 600); do
    grep -q 'map page ready' "$home/log" && ready=1 && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$ready" ]; then
    echo "the player's map page did not report ready (log: $(tail -3 "$home/log"))" >&2
    kill "$pid" 2>/dev/null || true
    return 1
  fi
  sleep 5
  echo "$(status_kib "$pid" VmRSS) $(status_kib "$pid" VmHWM)"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

read -r idle_rss idle_hwm < <(player_memory)
printf '\n%-18s %12s %12s %16s %16s\n' player vmrss_kib vmhwm_kib rss_growth_kib peak_growth_kib
printf '%-18s %12s %12s %16s %16s\n' "(no file)" "$idle_rss" "$idle_hwm" - -
for f in "${files[@]}"; do
  read -r rss hwm < <(player_memory "$f")
  printf '%-18s %12s %12s %16s %16s\n' "$(basename "$f")" "$rss" "$hwm" "$((rss - idle_rss))" \
    "$((hwm - idle_hwm))"
done
