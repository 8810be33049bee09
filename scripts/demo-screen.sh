# shellcheck shell=bash disable=SC2034
# Sourced by demo.sh: a window captured through the camera. On an X display of its own
# (screen-session.sh) the test window with four coloured quadrants and a yellow marker opens;
# qvl_producer --window shows it through the camera while qvl_capture records it. Leaves in
# BUILD/demo/: window-screen.png (the window as the X display shows it), window.png (what the
# camera delivered), window-side.png (the two side by side) and window.avi. Sets
# screen_summary and screen_verdict (PASS when the camera's picture holds the quadrants,
# fitted, in their colours and places).

# The colour at X,Y of a picture, as "R G B".
colour_at() { # FILE X Y
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}

demo_screen() {
  local build=$1 seconds=$2
  local out=$build/demo producer=$build/tools/qvl_producer.exe
  local capture=$build/tools/qvl_capture.exe dll=$build/srcfilter/srcfilter.dll
  screen_verdict=FAIL screen_summary="captured window:    not run"
  mkdir -p "$out"
  [ -f "$build/tests/quadrant_window.exe" ] || { echo "no test window program"; return; }
  # shellcheck source=scripts/screen-session.sh
  . "$(dirname "${BASH_SOURCE[0]}")/screen-session.sh"
  screen_start "$build" || return
  local commands
  commands=$(mktemp -u)
  mkfifo "$commands"
  screen_run "$build/tests/quadrant_window.exe" "srcfilter demo window" 300 200 400 300 \
    <"$commands" >"$out/window-program.log" 2>&1 &
  exec 8>"$commands"
  sleep 3
  echo "window: 400x300 at 300,200 on display $screen_display; qvl_producer --window \"demo window\""
  screen_run "$producer" --window "demo window" --seconds $((seconds + 4)) \
    >"$out/window-producer.log" 2>&1 &
  local producer=$!
  sleep 2
  import -display "$screen_display" -window root -crop 400x300+300+200 +repage \
    "$out/window-screen.png" 2>/dev/null || true
  env -u DISPLAY "$build/winerun" "$capture" --seconds "$seconds" --avi "$out/window.avi" \
    --bmp "$out/window.bmp" --dll "$(win_path "$dll")" --unregistered >"$out/window-capture.log" 2>&1 || true
  wait "$producer" 2>/dev/null || true
  echo close >&8
  exec 8>&-
  screen_stop
  rm -f "$commands"
  tr -d '\r' <"$out/window-producer.log"
  [ -s "$out/window.bmp" ] || { echo "no picture from the camera; see $out/window-capture.log"; return; }
  convert "$out/window.bmp" "$out/window.png"
  [ -s "$out/window-screen.png" ] &&
    convert "$out/window-screen.png" "$out/window.png" -background gray -gravity center +append \
      "$out/window-side.png"

  # The window's 4:3 fills the camera's 4:3 frame: each quadrant's centre at a quarter in.
  local w h
  read -r w h < <(identify -format '%w %h\n' "$out/window.png")
  local tl tr bl br
  tl=$(colour_at "$out/window.png" $((w / 4)) $((h / 4)))
  tr=$(colour_at "$out/window.png" $((3 * w / 4)) $((h / 4)))
  bl=$(colour_at "$out/window.png" $((w / 4)) $((3 * h / 4)))
  br=$(colour_at "$out/window.png" $((3 * w / 4)) $((3 * h / 4)))
  [ "$tl|$tr|$bl|$br" = "255 0 0|0 255 0|0 0 255|255 255 255" ] && screen_verdict=PASS
  screen_summary="captured window:    $out/window.png (the camera's picture of the demo window; quadrants red $tl, lime $tr, blue $bl, white $br)
window and camera:  $out/window-side.png (as the X display shows it, and through the camera); $out/window.avi"
  echo "$screen_summary"
}
