#!/usr/bin/env bash
# CPU use of the player while a recording is paused and once the playlist has
# ended (stopped), and how many lines it prints meanwhile.
#   idle_cpu.sh [PLAYER] [SAMPLE] [SECONDS]
# The player is started on one sample recording in a fresh HOME; after 4 s of
# playing, Space pauses it and the CPU time (user + system, from
# /proc/PID/stat) of the player and of all its helper processes is summed over
# SECONDS (default 30). Space resumes; once the recording has ended and the
# player has stopped, the same is measured again. Figures are percent of one
# core. Runs on the current display, or on a private Xvfb when there is none.
set -euo pipefail
PLAYER=${1:-@VELTO_PLAYER_PATH@}
SAMPLE=${2:-@VELTO_SAMPLE_PATH@}
SECONDS_MEASURED=${3:-30}

if [ -z "${VELTO_BENCH_INNER:-}" ] && ! { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  export VELTO_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" "$0" "$PLAYER" "$SAMPLE" "$SECONDS_MEASURED"
fi
[ -f "$SAMPLE" ] || { echo "no sample recording: $SAMPLE" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "needs xdotool" >&2; exit 1; }

export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu --no-sandbox}"
TICKS=$(getconf CLK_TCK)

# The process and all its descendants.
tree_pids() {
  local pids=$1 all=$1 next
  while [ -n "$pids" ]; do
    next=$(ps -o pid= --ppid "$(echo $pids | tr ' ' ,)" 2>/dev/null | tr -d ' ' | tr '\n' ' ' || true)
    all="$all $next"
    pids=$(echo $next)
  done
  echo $all
}
# utime + stime of the given processes, in clock ticks.
cpu_ticks() {
  local sum=0 p f
  for p in "$@"; do
    f=$(cat "/proc/$p/stat" 2>/dev/null) || continue
    f=${f##*) }  # the fields after the command name
    set -- $f
    sum=$((sum + ${12} + ${13}))
  done
  echo $sum
}
# Prints "main% total% lines" over SECONDS_MEASURED.
measure() {
  local pids main0 all0 main1 all1 lines0 lines1
  pids=$(tree_pids "$PID")
  main0=$(cpu_ticks "$PID")
  all0=$(cpu_ticks $pids)
  lines0=$(wc -l <"$LOG")
  sleep "$SECONDS_MEASURED"
  main1=$(cpu_ticks "$PID")
  all1=$(cpu_ticks $pids)
  lines1=$(wc -l <"$LOG")
  awk -v m=$((main1 - main0)) -v a=$((all1 - all0)) -v t="$TICKS" -v s="$SECONDS_MEASURED" \
      -v l=$((lines1 - lines0)) \
      'BEGIN { printf "%8.2f %8.2f %8d\n", 100 * m / t / s, 100 * a / t / s, l }'
}

HOME_DIR=$(mktemp -d)
mkdir -p "$HOME_DIR/run" && chmod 700 "$HOME_DIR/run"
LOG=$HOME_DIR/player.log
HOME=$HOME_DIR XDG_RUNTIME_DIR=$HOME_DIR/run XDG_CONFIG_HOME=$HOME_DIR/.config \
  XDG_CACHE_HOME=$HOME_DIR/.cache "$PLAYER" "$SAMPLE" >"$LOG" 2>&1 &
PID=$!
trap 'kill $PID 2>/dev/null; wait $PID 2>/dev/null; rm -rf "$HOME_DIR"' EXIT

WIN=
for _ in $(seq 1 60); do
  WIN=$(xdotool search --name '^PLAYER$' 2>/dev/null | head -n 1 || true)
  [ -n "$WIN" ] && break
  sleep 0.5
done
[ -n "$WIN" ] || { echo "no PLAYER window" >&2; exit 1; }
sleep 4  # the map page has loaded and the recording plays

xdotool windowfocus --sync "$WIN" 2>/dev/null || true
xdotool key space
sleep 2
printf '%-8s %8s %8s %8s\n' state main% total% lines
printf '%-8s %s\n' paused "$(measure)"
xdotool key space
sleep 16  # the recording (15 s) plays to its end: the list is over
printf '%-8s %s\n' stopped "$(measure)"
printf 'lines printed in all: %d\n' "$(wc -l <"$LOG")"
