#!/usr/bin/env bash
# Start-up time and idle memory of the player.
#   startup.sh [PLAYER] [RUNS]
# For each run: a fresh HOME, the player started with VELTO_TRACE_STARTUP=1,
# the time from launch to "window shown" and to "map page ready" (the map
# page has created its map), then the resident memory after 5 s of idling:
# the player process alone and with its web engine helper processes.
# Runs on the current display, or on a private Xvfb when there is none.
set -euo pipefail
PLAYER=${1:-@VELTO_PLAYER_PATH@}
RUNS=${2:-3}

if [ -z "${VELTO_BENCH_INNER:-}" ] && ! { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  export VELTO_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" "$0" "$PLAYER" "$RUNS"
fi

export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu --no-sandbox}"
export VELTO_TRACE_STARTUP=1

now_ms() { date +%s%3N; }

# Sum of the resident set sizes (KiB) of a process and all its descendants.
tree_rss() {
  local pids=$1 all=$1 next
  while [ -n "$pids" ]; do
    next=$(ps -o pid= --ppid "$(echo $pids | tr ' ' ,)" 2>/dev/null | tr -d ' ' | tr '\n' ' ' || true)
    all="$all $next"
    pids=$(echo $next)
  done
  ps -o rss= -p "$(echo $all | tr ' ' ,)" | awk '{s+=$1} END {print s+0}'
}

printf '%-4s %12s %14s %14s %16s\n' run shown_ms map_ready_ms rss_main_kib rss_total_kib
for run in $(seq 1 "$RUNS"); do
  home=$(mktemp -d)
  mkdir -p "$home/run" && chmod 700 "$home/run"
  log=$home/player.log
  start=$(now_ms)
  HOME=$home XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    "$PLAYER" >"$log" 2>&1 &
  pid=$!
  shown='' ready=''
  for _ in $(seq 1 600); do
    shown=$(sed -n 's/.*window shown at \([0-9]*\) ms.*/\1/p' "$log" | head -1)
    ready=$(sed -n 's/.*map page ready at \([0-9]*\) ms.*/\1/p' "$log" | head -1)
    [ -n "$ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$ready" ]; then
    echo "run $run: the map page did not report ready (log: $log)" >&2
    kill "$pid" 2>/dev/null || true
    continue
  fi
  sleep 5
  rss_main=$(ps -o rss= -p "$pid" | tr -d ' ')
  rss_total=$(tree_rss "$pid")
  printf '%-4s %12s %14s %14s %16s\n' "$run" "$((shown - start))" "$((ready - start))" "$rss_main" "$rss_total"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -rf "$home"
done
