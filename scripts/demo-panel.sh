# shellcheck shell=bash disable=SC2034
# Sourced by demo.sh: the camera panel. On an X display of its own (screen-session.sh) the test
# window with four coloured quadrants opens and qvl_panel shows it through the camera
# (--window); while qvl_capture streams from the camera, the panel names it ("In use by").
# Leaves in BUILD/demo/: panel.png (the screen: the window and the panel showing it, with its
# preview and "In use by"), panel-camera.png (what the camera delivered). Sets panel_summary
# and panel_verdict (PASS when the panel named the client and the camera's picture holds the
# window's quadrants).

demo_panel() {
  local build=$1 seconds=$2
  local out=$build/demo panel=$build/tools/panel/qvl_panel.exe probe=$build/tests/panel_probe.exe
  local capture=$build/tools/qvl_capture.exe dll=$build/srcfilter/srcfilter.dll
  panel_verdict=FAIL panel_summary="camera panel:       not run"
  mkdir -p "$out"
  for f in "$panel" "$probe" "$build/tests/quadrant_window.exe"; do
    [ -f "$f" ] || { echo "missing $f"; return; }
  done
  # shellcheck source=scripts/screen-session.sh
  . "$(dirname "${BASH_SOURCE[0]}")/screen-session.sh"
  screen_start "$build" || return
  local commands
  commands=$(mktemp -u)
  mkfifo "$commands"
  screen_run "$build/tests/quadrant_window.exe" "srcfilter panel demo window" 120 120 400 300 \
    <"$commands" >"$out/panel-window.log" 2>&1 &
  exec 8>"$commands"
  sleep 3
  echo "window: 400x300 at 120,120 on display $screen_display; qvl_panel --window \"panel demo window\""
  screen_run "$panel" --window "panel demo window" >"$out/panel.log" 2>&1 &
  local panel_pid=$!
  screen_run "$probe" --wait 30 count >/dev/null
  env -u DISPLAY "$build/winerun" "$capture" --seconds $((seconds + 3)) \
    --bmp "$(win_path "$out/panel-camera.bmp")" --dll "$(win_path "$dll")" --unregistered \
    >"$out/panel-capture.log" 2>&1 &
  local capture_pid=$!
  # The panel's status as a screen reader reads it, once the client streams.
  local users=""
  for _ in $(seq 40); do
    users=$(screen_run "$probe" text 1053 2>/dev/null | tr -d '\r')
    [ "${users#In use by}" != "$users" ] && break
    sleep 0.25
  done
  sleep 2 # a few of the preview's pictures
  import -display "$screen_display" -window root "$out/panel.png" 2>/dev/null || true
  local showing
  showing=$(screen_run "$probe" text 1052 2>/dev/null | tr -d '\r' | paste -sd ' ' -)
  wait "$capture_pid" 2>/dev/null || true
  screen_run "$panel" --quit || true
  wait "$panel_pid" 2>/dev/null || true
  echo close >&8
  exec 8>&-
  screen_stop
  rm -f "$commands"
  echo "panel status: $users; $showing"
  [ -s "$out/panel-camera.bmp" ] || { echo "no picture from the camera; see $out/panel-capture.log"; return; }
  convert "$out/panel-camera.bmp" "$out/panel-camera.png"
  local w h tl br
  read -r w h < <(identify -format '%w %h\n' "$out/panel-camera.png")
  tl=$(colour_at "$out/panel-camera.png" $((w / 4)) $((h / 4)))
  br=$(colour_at "$out/panel-camera.png" $((3 * w / 4)) $((3 * h / 4)))
  [ "${users#In use by: }" != "$users" ] && [ "$tl|$br" = "255 0 0|255 255 255" ] &&
    panel_verdict=PASS
  panel_summary="camera panel:       $out/panel.png (the panel showing the demo window; it said \"$users\")
panel's camera:     $out/panel-camera.png (quadrants red $tl, white $br)"
  echo "$panel_summary"
}
