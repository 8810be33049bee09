#!/usr/bin/env bash
# The panel live, through the real camera on an X display of the test's own. Started with
# --window on the test window, it feeds the camera only while a capture client streams: the
# client gets the window's picture within its first second and never black, the panel's window
# names the client while it streams, and once the client has stopped the panel costs no more
# than before it came. Paused, a client that starts gets the idle picture, not black.
# Arguments: BUILD (folder) and the host paths of qvl_panel.exe, qvl_capture.exe,
# quadrant_window.exe, srcfilter.dll and panel_probe.exe.
set -uo pipefail
build=$1 panel=$2 capture=$3 window=$4 dll=$5 probe=$6
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/screen-session.sh
. "$here/../../scripts/screen-session.sh"
# shellcheck source=scripts/qvl_names.sh
. "$here/../../scripts/qvl_names.sh"
# shellcheck source=scripts/camera-settings.sh
. "$here/../../scripts/camera-settings.sh"
# shellcheck source=scripts/wine-process.sh
. "$here/../../scripts/wine-process.sh"
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

panel_pid=
cleanup() {
  exec 7>&- 2>/dev/null
  [ -n "$panel_pid" ] && { screen_run "$panel" --quit >/dev/null 2>&1; wait "$panel_pid"; }
  screen_stop
  settings_restore
  rm -rf "$work"
}
trap cleanup EXIT
# The camera at 320x240, 25 fps for the run; the prefix's settings put back after.
settings_hold "$build" "$work" 320 240 25
screen_start "$build" || exit 1

mkfifo "$work/commands"
screen_run "$window" "Quadrants under test" 200 150 200 200 <"$work/commands" >/dev/null 2>&1 &
exec 7>"$work/commands"
screen_run "$panel" --window "quadrants under" >"$work/panel.log" 2>&1 &
panel_pid=$!
screen_run "$probe" --wait 20 list >/dev/null 2>&1 ||
  { echo "FAIL: the panel did not open: $(cat "$work/panel.log")"; exit 1; }
panel_process=$(wine_process "$build" qvl_panel.exe) ||
  { echo "FAIL: no process for the panel"; exit 1; }
users() { screen_run "$probe" list 2>/dev/null | tr -d '\r' | grep -o 'In use by: .*\|Not in use'; }

# Its processor time over 3 s, in ms.
cpu_ms() { local a; a=$(cpu_ns "$panel_process"); sleep 3; echo $((($(cpu_ns "$panel_process") - a) / 1000000)); }
sleep 2
before=$(cpu_ms)

# A client streams 4 s into an AVI; meanwhile the panel names it.
env -u DISPLAY "$build/winerun" "$capture" --dll "$(win_path "$dll")" --unregistered \
  --seconds 4 --avi "$(win_path "$work/live.avi")" >"$work/live.log" 2>&1 &
capture_pid=$!
sleep 2.5
named=$(users)
wait "$capture_pid" || fail "the capture failed: $(tr -d '\r' <"$work/live.log")"
[ "$named" = "In use by: qvl_capture.exe" ] || fail "while the client streamed the panel said: $named"

# 200x200 fitted into 320x240: red, lime, blue and white quadrants from x = 40.
ffmpeg -v error -i "$work/live.avi" -f rawvideo -pix_fmt rgb24 - 2>"$work/decode.log" |
  python3 -c '
import sys
w, h, size = 320, 240, 320 * 240 * 3
want = {(100, 60): (255, 0, 0), (220, 60): (0, 255, 0), (100, 180): (0, 0, 255), (220, 180): (255, 255, 255)}
first, black, n = None, [], 0
while True:
    frame = sys.stdin.buffer.read(size)
    if len(frame) < size:
        break
    px = lambda x, y: frame[(y * w + x) * 3:(y * w + x) * 3 + 3]
    if first is None and all(max(abs(a - b) for a, b in zip(px(*at), c)) < 40 for at, c in want.items()):
        first = n
    if max(px(100, 60)) < 16:
        black.append(n)
    n += 1
print(f"{n} frames; first of the window: {first}; black: {black[:5]}")
sys.exit(0 if first is not None and first < 25 and not black and n > 50 else 1)' >"$work/frames.txt" ||
  fail "the client did not get the window within its first second: $(cat "$work/frames.txt" "$work/decode.log")"

# Stopped within 2 s of the client; from then on no more processor time than before it came.
sleep 2.5
[ "$(users)" = "Not in use" ] || fail "after the client stopped the panel said: $(users)"
after=$(cpu_ms)
[ "$after" -le $((2 * before + 30)) ] ||
  fail "the panel used $after ms of processor time in 3 s after the client stopped, $before before"

# Paused: a client that starts gets the idle picture (grey, not black, not the window).
screen_run "$probe" click Pause >/dev/null 2>&1 || fail "no Pause button"
sleep 0.5
env -u DISPLAY "$build/winerun" "$capture" --dll "$(win_path "$dll")" --unregistered \
  --seconds 1.5 --bmp "$(win_path "$work/paused.bmp")" >"$work/paused.log" 2>&1 ||
  fail "the paused capture failed: $(tr -d '\r' <"$work/paused.log")"
python3 - "$work/paused.bmp" <<'PY' || fail "paused, the client got $(cat "$work/paused.txt")"
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
colours = []
for x, y in ((100, 60), (220, 180), (4, 4)):
    at = offset + ((height - 1 - y) * width + x) * bits // 8
    b, g, r = data[at:at + 3]
    colours.append((r, g, b))
open(sys.argv[1][:-4] + ".txt", "w").write(str(colours))
sys.exit(0 if all(r > 48 and abs(r - g) < 24 and abs(g - b) < 24 for r, g, b in colours) else 1)
PY

echo "idle $before ms, after $after ms in 3 s; $(cat "$work/frames.txt")"
echo "$failures failure(s)"
[ "$failures" = 0 ]
