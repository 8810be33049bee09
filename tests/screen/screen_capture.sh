#!/usr/bin/env bash
# The producer's screen sources through the real camera, on an X display of the test's own: a
# window with four coloured quadrants and a marker, taken with --window and with --region over
# its client area, arrives fitted (black borders), in its colours and places, and swapped left
# to right with --mirror; when the window moves and changes shape the picture follows; when it
# closes the producer says so and exits non-zero while the camera goes on streaming; a title
# that matches nothing exits non-zero.
# Arguments: BUILD (folder) and the host paths of qvl_producer.exe, qvl_capture.exe,
# quadrant_window.exe and srcfilter.dll.
set -uo pipefail
build=$1 producer=$2 capture=$3 window=$4 dll=$5
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/screen-session.sh
. "$here/../../scripts/screen-session.sh"
# shellcheck source=scripts/qvl_names.sh
. "$here/../../scripts/qvl_names.sh"
# shellcheck source=scripts/camera-settings.sh
. "$here/../../scripts/camera-settings.sh"
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cleanup() {
  exec 7>&- 2>/dev/null
  screen_stop
  settings_restore
  rm -rf "$work"
}
trap cleanup EXIT
# The camera at 320x240, 25 fps for the run, whatever the prefix's settings say; restored after.
settings_hold "$build" "$work" 320 240 25
screen_start "$build" || exit 1
title="Quadrants under test"

# The camera's picture (320x240 by default) after `seconds` of capture, into NAME.bmp.
camera_picture() { # NAME [SECONDS]
  env -u DISPLAY "$build/winerun" "$capture" --dll "$(win_path "$dll")" --unregistered \
    --seconds "${2:-1.5}" --bmp "$(win_path "$work/$1.bmp")" >"$work/$1.log" 2>&1
}

# Checks pixels of NAME.bmp: each further argument is X,Y=COLOUR (top-left origin).
expect() { # NAME X,Y=COLOUR...
  python3 - "$work/$1.bmp" "${@:2}" <<'PY' || fail "$1: $(cat "$work/$1.failed")"
import struct, sys
colours = {"red": (255, 0, 0), "lime": (0, 255, 0), "blue": (0, 0, 255),
           "white": (255, 255, 255), "yellow": (255, 255, 0), "black": (0, 0, 0)}
path = sys.argv[1]
wrong = []
try:
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    for check in sys.argv[2:]:
        where, name = check.split("=")
        x, y = map(int, where.split(","))
        row = height - 1 - y if height > 0 else y
        at = offset + (row * width + x) * bits // 8
        b, g, r = data[at:at + 3]
        want = colours[name]
        if any(abs(got - w) > 40 for got, w in zip((r, g, b), want)):
            wrong.append(f"({x},{y}) is {r} {g} {b}, not {name}")
except (OSError, struct.error, ValueError) as error:
    wrong.append(str(error))
open(path.replace(".bmp", ".failed"), "w").write("; ".join(wrong))
sys.exit(1 if wrong else 0)
PY
}

# The window's n-th "ready X Y W H" line (its client area on the screen).
placed() { # N
  for _ in $(seq 300); do
    local line
    line=$(tr -d '\r' <"$work/quadrants.log" | grep '^ready' | sed -n "$1p")
    [ -n "$line" ] && { echo "${line#ready }"; return 0; }
    sleep 0.1
  done
  return 1
}

mkfifo "$work/commands"
screen_run "$window" "$title" 200 150 200 200 <"$work/commands" >"$work/quadrants.log" 2>&1 &
exec 7>"$work/commands"
read -r x y w h < <(placed 1) || { echo "FAIL: the test window did not open"; exit 1; }
[ "$x $y $w $h" = "200 150 200 200" ] || fail "the window's client area is $w x $h at $x,$y"

# A producer that stops by itself (a killed runner would leave it running), and one capture.
produce_and_capture() { # NAME PRODUCER-ARGS...
  screen_run "$producer" --quiet --seconds 6 "${@:2}" >"$work/$1-producer.log" 2>&1 &
  local pid=$!
  sleep 2.5
  camera_picture "$1" || fail "$1: the capture failed: $(tr -d '\r' <"$work/$1.log")"
  wait "$pid" || fail "$1: the producer failed: $(tr -d '\r' <"$work/$1-producer.log")"
}

# 200x200 into 320x240: 240x240 from x = 40, black on both sides.
square=("20,120=black" "300,120=black" "100,60=red" "220,60=lime" "100,180=blue" "220,180=white"
  "70,30=yellow")
produce_and_capture window --window "quadrants UNDER"
expect window "${square[@]}"
produce_and_capture region --region "$x,$y,$w,$h"
expect region "${square[@]}"
produce_and_capture mirrored --window "under test" --mirror
expect mirrored 100,60=lime 220,60=red 100,180=white 220,180=blue 249,30=yellow 20,120=black

# Moved and made 2:1: 320x160 from y = 40, black above and below. (The pointer, drawn in, stays
# where Xvfb put it, at the screen's centre, outside every place the window takes.)
screen_run "$producer" --quiet --seconds 0 --window "$title" >"$work/follow-producer.log" 2>&1 &
producer_pid=$!
sleep 2.5
echo "move 1200 600 320 160" >&7
placed 2 >/dev/null || fail "the window did not move: $(tr -d '\r' <"$work/quadrants.log")"
sleep 1
camera_picture moved || fail "moved: the capture failed"
expect moved 160,20=black 160,220=black 80,80=red 240,80=lime 80,160=blue 240,160=white 40,60=yellow

# Closed: the camera streams on through the producer's end.
camera_picture closing 7 &
capture_pid=$!
sleep 2
echo close >&7
wait "$producer_pid" && fail "the producer ended with status 0 after the window closed"
tr -d '\r' <"$work/follow-producer.log" | grep -q 'has gone' ||
  fail "the producer did not say the window had gone: $(cat "$work/follow-producer.log")"
wait "$capture_pid" || fail "the capture failed across the window's closing: $(cat "$work/closing.log")"
frames=$(tr -d '\r' <"$work/closing.log" | sed -n 's/^frames received: *\([0-9]*\).*/\1/p')
[ "${frames:-0}" -ge 150 ] || fail "the camera delivered ${frames:-no} frames in 7 s across the close"

# No match: non-zero, with the reason.
timeout 60 env -u DISPLAY "$build/winerun" "$producer" --window "no window has this title" \
  >"$work/none.log" 2>&1 && fail "a title that matches nothing gave status 0"
grep -q 'no window' "$work/none.log" || fail "no reason given: $(cat "$work/none.log")"

echo "$failures failure(s)"
[ "$failures" = 0 ]
