#!/usr/bin/env bash
# The link test without hardware: two program windows joined by a virtual
# null-modem cable (tools/null_modem.py). Each program runs in a folder of its
# own with its own setup file and finds the cable as its COM1 (ports/com1);
# the left window sends the numbered, check-summed SendX stream, the right one
# waits for it with SyncX, so its lines arrive aligned one under the other.
# Close the windows (Alt+X) to end the demo.
#
#   scripts/demo.sh [--headless] [--baud N] [--seconds N] [--screen FILE] [quorvant binary]
#
# --headless   on a private Xvfb instead of the desktop's display
# --baud N     both ends at N baud, any rate of the port settings dialog
#              (1200 to 921600; 115200 unless given)
# --seconds N  end the demo by itself after N seconds
# --screen F   at the end, the right window's text (its copy button) into F
# Without a binary the Linux program is built first (as scripts/run.sh does).
# The windows are driven with xdotool, so the desktop needs X (or XWayland).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

headless=0
baud=115200
seconds=
screen=
binary=
while [ $# -gt 0 ]; do
  case $1 in
    --headless) headless=1 ;;
    --baud) baud=$2; shift ;;
    --seconds) seconds=$2; shift ;;
    --screen) screen=$(realpath -m "$2"); shift ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) binary=$(realpath "$1") ;;
  esac
  shift
done
case " 1200 2400 4800 7200 9600 14400 19200 28800 38400 57600 76800 115200 128000 153600 230400 256000 460800 921600 " in
  *" $baud "*) ;;
  *) echo "demo: --baud $baud is no rate of the port settings dialog" >&2; exit 2 ;;
esac
if [ -z "$binary" ]; then
  scripts/install-deps.sh
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quorvant -j "$(nproc)"
  binary=$root/build/linux/src/linux/quorvant
fi

# The main window in dialog units, and its buttons' centres in them.
DIALOG_W=334 DIALOG_H=254
SENDX_X=180 SYNCX_X=206 BUTTON_Y=8 COPY_X=211 COPY_Y=246

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvant-demo.XXXXXX")
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[$i]}" 2>/dev/null || true
    wait "${pids[$i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "$headless" = 1 ]; then
  # -noreset: a server that resets when its last client leaves refuses new
  # ones for a moment, and the programs connect while xdotool comes and goes.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$work/display" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "demo: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$(head -n1 "$work/display")
  unset WAYLAND_DISPLAY
fi
[ -n "${DISPLAY:-}" ] || { echo "demo: no X display (try --headless)" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb

for side in left right; do
  mkdir -p "$work/$side/ports"
  cp "$binary" "$work/$side/quorvant"
  # Both ends of a cable run the same line settings; English help for a start.
  printf '%s\r\n' '==[ SETUP FILE FOR QUORVANT ]==' '' '[RS232]' 'COMPORT=1' "COMBAUD=$baud" \
    'COMPARI=E' 'COMBITS=8' 'COMSTOP=1' '' '[HELP]' 'LANGUAGE=E' >"$work/$side/quorvant.ini"
done

python3 tools/null_modem.py "$work/left/ports/com1" "$work/right/ports/com1" >"$work/relay" &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/relay" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$work/relay" || { echo "demo: the relay did not start" >&2; exit 1; }

window_of() {  # the visible main window of process $1, whose messages are in $2
  local id
  for _ in $(seq 200); do
    id=$(xdotool search --all --onlyvisible --pid "$1" --name QUORVANTVIEW 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    if ! kill -0 "$1" 2>/dev/null; then
      echo "demo: the program ended before it showed its window:" >&2
      cat "$2" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "demo: the program did not show its window" >&2
  return 1
}

click() {  # window, x and y in dialog units
  local w h
  eval "$(xdotool getwindowgeometry --shell "$1")"
  w=$WIDTH h=$HEIGHT
  xdotool mousemove --window "$1" $(($2 * w / DIALOG_W)) $(($3 * h / DIALOG_H)) click 1
}

(cd "$work/left" && exec ./quorvant 2>"$work/left.log") &
left_pid=$!
pids+=($left_pid)
(cd "$work/right" && exec ./quorvant 2>"$work/right.log") &
right_pid=$!
pids+=($right_pid)
left=$(window_of "$left_pid" "$work/left.log")
right=$(window_of "$right_pid" "$work/right.log")
eval "$(xdotool getwindowgeometry --shell "$left")"
# Side by side with a gap where the screen is wide enough; otherwise (two
# 668-pixel windows do not fit 1280 pixels) one above the other, with room
# for a title bar between them; only on a screen too small for either does
# the right window lie over the left one's right edge, its scroll bar, rather
# than leaving the screen.
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
gap=20 title_room=40
right_x=$((WIDTH + gap)) right_y=0
if [ $((right_x + WIDTH)) -gt "$screen_w" ]; then
  if [ $((2 * HEIGHT + title_room)) -le "$screen_h" ]; then
    right_x=0 right_y=$((HEIGHT + title_room))
  else
    right_x=$((screen_w - WIDTH))
    [ "$right_x" -ge 0 ] || right_x=0
  fi
fi
xdotool windowmove "$left" 0 0
xdotool windowmove "$right" "$right_x" "$right_y"
echo "demo: windows ${WIDTH}x${HEIGHT} at 0,0 and $right_x,$right_y on a ${screen_w}x${screen_h} screen"
xdotool windowraise "$right" 2>/dev/null || true

click "$right" "$SYNCX_X" "$BUTTON_Y"
click "$left" "$SENDX_X" "$BUTTON_Y"
echo "demo: at $baud baud the left window sends SendX, the right one shows it after SyncX (folder $work)"

if [ -n "$seconds" ]; then
  sleep "$seconds"
  if [ -n "$screen" ]; then
    click "$right" "$COPY_X" "$COPY_Y"
    # The copy is made at the window's next tick.
    for _ in $(seq 50); do
      xclip -o -selection clipboard >"$screen" 2>/dev/null && grep -q LINE= "$screen" && break
      sleep 0.1
    done
  fi
else
  if [ "$headless" = 1 ]; then
    echo "demo: runs on a hidden display until you press Ctrl+C (or give --seconds N)"
  else
    echo "demo: close both windows (Alt+X) or press Ctrl+C here to end it"
  fi
  wait "$left_pid" "$right_pid" || true
fi
