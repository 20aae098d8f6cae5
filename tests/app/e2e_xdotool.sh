#!/bin/sh
# End-to-end run of the real player on an X display (Xvfb): starts velto-player
# with the four sample recordings, drives it with xdotool as a user would
# (space to pause and resume, the Next button, double clicks on the video,
# Esc) and checks what the screen shows after each step.
#
#   e2e_xdotool.sh PLAYER SAMPLES_DIR [SHOT_DIR]
#
# Screenshots go to SHOT_DIR (default: a new folder under $TMPDIR or /tmp).
# Exit status: 0 passed, 1 failed (also without a display, xdotool or samples).

set -u
PLAYER=$1
SAMPLES=$2
SHOTS=${3:-$(mktemp -d "${TMPDIR:-/tmp}/velto-e2e.XXXXXX")}

if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null || ! command -v import >/dev/null ||
    ! command -v xwininfo >/dev/null; then
    echo "FAIL: needs DISPLAY, xdotool, xwininfo and ImageMagick"
    exit 1
fi
set -- "$SAMPLES"/*.MOV "$SAMPLES"/*.MP4
if [ ! -f "$1" ]; then
    echo "FAIL: no sample recordings in $SAMPLES (build the samples target)"
    exit 1
fi

mkdir -p "$SHOTS"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/velto-e2e-home.XXXXXX")
export HOME="$WORK" XDG_CONFIG_HOME="$WORK/.config" XDG_CACHE_HOME="$WORK/.cache"
export XDG_RUNTIME_DIR="$WORK/run" QTWEBENGINE_DISABLE_SANDBOX=1
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# The window at its smallest, in the top-left corner: every control stands at
# its place in dialog units there.
mkdir -p "$WORK/Pictures/Config"
printf '[Window]\nGeometry=0,0,400,300\nMaximized=0\n' >"$WORK/Pictures/Config/config.ini"

"$PLAYER" "$@" >"$SHOTS/player.log" 2>&1 &
PID=$!
STATUS=0

finish() {
    kill "$PID" 2>/dev/null
    wait "$PID" 2>/dev/null
    rm -rf "$WORK"
    echo "screenshots: $SHOTS"
    exit "$STATUS"
}
fail() {
    echo "FAIL: $*"
    STATUS=1
    import -window root "$SHOTS/failure.png" 2>/dev/null
    finish
}
alive() {
    kill -0 "$PID" 2>/dev/null || fail "the player is gone ($1)"
}
shot() {
    import -window root "$SHOTS/$1.png" || fail "screenshot $1"
}

# --- geometry -----------------------------------------------------------------

# The main window, titled "PLAYER", or "PLAYER - <file>" while one plays.
TITLE='^PLAYER( - .*)?$'
WIN=
for _ in $(seq 1 60); do
    WIN=$(xdotool search --name "$TITLE" 2>/dev/null | head -n 1)
    [ -n "$WIN" ] && break
    sleep 0.5
done
[ -n "$WIN" ] || fail "no PLAYER window"

# Prints "x y w h" of the video window (the main window's largest native
# child, the one libvlc renders into), in root coordinates.
video_geometry() {
    child=$(xwininfo -children -id "$WIN" | awk '
        /^ +0x[0-9a-f]+ / { if (match($0, /[0-9]+x[0-9]+\+/)) { split(substr($0, RSTART, RLENGTH - 1), d, "x");
                            if (d[1] * d[2] > best) { best = d[1] * d[2]; id = $1 } } }
        END { print id }')
    [ -n "$child" ] || return 1
    xwininfo -id "$child" | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
sleep 3
set -- $(video_geometry) || fail "no video window"
VX=$1 VY=$2 VW=$3 VH=$4
echo "video window: ${VW}x${VH}+${VX}+${VY}"
[ "$VW" -gt 100 ] && [ "$VH" -gt 60 ] || fail "video window too small"

# At its smallest the window is the dialog-unit layout, 503x331 units below
# the menu bar. The video window spans the video area's width (4,2 285x176)
# and is centred in its height, which gives the scale (thousandths of a pixel
# per unit) and the layout's origin below the menu bar.
set -- $(xwininfo -id "$WIN" | awk '/Absolute upper-left Y/ {y=$NF} /Height:/ {h=$NF} END {print y, h}')
WY=$1 WH=$2
SX=$((VW * 1000 / 285))
SY=$((1000 * (2 * (WY + WH - VY) - VH) / (2 * 241)))
OX=$((VX - 4 * SX / 1000))
OY=$((WY + WH - 331 * SY / 1000))
echo "dialog unit: ${SX}x${SY} thousandths of a pixel, layout at +${OX}+${OY}"
[ "$SY" -gt 1000 ] && [ "$OY" -ge "$WY" ] || fail "window geometry not understood"
du_x() { echo $((OX + $1 * SX / 1000)); }
du_y() { echo $((OY + $1 * SY / 1000)); }

# --- what the screen shows ------------------------------------------------------

# A checksum of the middle of the video picture.
video_sum() {
    import -window root -crop "$((VW / 2))x$((VH / 2))+$((VX + VW / 4))+$((VY + VH / 4))" \
        -depth 8 rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
}
# "moving" when the picture changes within a second, else "still".
video_motion() {
    a=$(video_sum)
    sleep 1
    b=$(video_sum)
    [ "$a" != "$b" ] && echo moving || echo still
}
# The y of the selected playlist row (the highlight), scanned down a column
# of the list (control 1004: 293,173 205x62), or nothing.
selected_row_y() {
    x=$(du_x 360)
    y0=$(du_y 173)
    h=$((62 * SY / 1000))
    import -window root -crop "1x${h}+${x}+${y0}" -depth 8 txt:- 2>/dev/null | awk -F'[,:() ]+' -v y0="$y0" '
        NR > 1 { r = $3; b = $5; if (b > 130 && r < 110 && b > r + 60) { s += $2; n++ } }
        END { if (n) print int(y0 + s / n) }'
}
video_width() {
    set -- $(video_geometry)
    echo "$3"
}
focus_player() {
    xdotool mousemove "$(du_x 395)" "$(du_y 200)"
    xdotool windowfocus --sync "$WIN" 2>/dev/null || true
}
double_click_video() {
    xdotool mousemove "$((VX + VW / 2))" "$((VY + VH / 2))" click --repeat 2 --delay 120 1
    sleep 1
}

# --- the run ----------------------------------------------------------------------

# Started with files: the first one plays.
sleep 2
alive start
[ "$(video_motion)" = moving ] || fail "the first recording does not play"
ROW0=$(selected_row_y)
[ -n "$ROW0" ] || fail "no selected playlist row"
shot 01-playing

# Space pauses and resumes.
focus_player
xdotool key space
sleep 1
[ "$(video_motion)" = still ] || fail "space did not pause"
shot 02-paused
xdotool key space
sleep 0.5
[ "$(video_motion)" = moving ] || fail "space did not resume"

# The Next button (1011: 189,183 30x26) plays the second entry.
xdotool mousemove "$(du_x 204)" "$(du_y 196)" click 1
sleep 2
alive next
ROW1=$(selected_row_y)
[ -n "$ROW1" ] && [ "$ROW1" -gt "$ROW0" ] || fail "Next did not move to the second entry ($ROW0 -> $ROW1)"
[ "$(video_motion)" = moving ] || fail "the second recording does not play"
shot 03-next

# A double click on the video enters full screen; a second one leaves it.
double_click_video
FULL=$(video_width)
[ "$FULL" -gt $((VW * 2)) ] || fail "double click did not enter full screen (video width $FULL)"
shot 04-fullscreen
double_click_video
[ "$(video_width)" -le "$VW" ] || fail "second double click did not leave full screen"

# Esc leaves full screen and never closes the window.
double_click_video
[ "$(video_width)" -gt $((VW * 2)) ] || fail "double click did not enter full screen again"
focus_player
xdotool key Escape
sleep 1
[ "$(video_width)" -le "$VW" ] || fail "Esc did not leave full screen"
xdotool key Escape
sleep 1
alive escape
xdotool search --name "$TITLE" >/dev/null || fail "Esc closed the window"
shot 05-after-escape

# A right click on the playlist opens its menu; Esc closes only the menu.
TOPS=$(xwininfo -root -children | grep -c '^ *0x')
xdotool mousemove "$(du_x 330)" "$(du_y 200)" click 3
sleep 1
[ "$(xwininfo -root -children | grep -c '^ *0x')" -gt "$TOPS" ] || fail "no playlist menu"
shot 06-playlist-menu
xdotool key Escape
sleep 0.5
alive menu
xdotool search --name "$TITLE" >/dev/null || fail "Esc in the menu closed the window"

echo "e2e passed"
finish
