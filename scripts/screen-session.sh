# shellcheck shell=bash
# Sourced: a virtual X display and a Wine desktop of its own, for programs that show windows or
# read the screen (the screen tests, the demo and the benchmark). Wine binds a desktop to the X
# display of the first program on it, so the prefix's default desktop (made by whatever ran
# first, usually with no display) is left alone: the programs run on a desktop named after the
# display, through BUILD/tests/on_desktop.exe. Nothing else in the prefix sees the display.
#
# screen_start BUILD: starts Xvfb (1920x1080) on a free display number; sets screen_display.
# screen_run PROGRAM [ARGS...]: runs a Windows program (host path) on that display's desktop
#   with BUILD's Wine runner; its exit status is the program's.
# screen_stop: ends Xvfb (the desktop's Wine processes go with it).
# win_path PATH: a host path as Windows programs see it.

win_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

screen_start() {
  screen_build=$1
  local number
  number=$(mktemp)
  # -displayfd: Xvfb picks a free display number and writes it once it accepts clients.
  Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp 9>"$number" >/dev/null 2>&1 &
  screen_xvfb=$!
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
  screen_display=:$(head -n1 "$number")
  rm -f "$number"
  [ "$screen_display" != : ] || { echo "screen_start: Xvfb did not start" >&2; return 1; }
  screen_desktop=qvl-screen${screen_display#:}
  # Without a display: a named desktop takes its size from here, else 1024x768.
  env -u DISPLAY "$screen_build/winerun" reg add 'HKCU\Software\Wine\Explorer\Desktops' \
    /v "$screen_desktop" /d 1920x1080 /f >/dev/null 2>&1
}

screen_run() {
  local program
  program=$(win_path "$1")
  shift
  DISPLAY=$screen_display "$screen_build/winerun" "$screen_build/tests/on_desktop.exe" \
    "$screen_desktop" "$program" "$@"
}

screen_stop() {
  [ -n "${screen_xvfb:-}" ] || return 0
  kill "$screen_xvfb" 2>/dev/null || true
  wait "$screen_xvfb" 2>/dev/null || true
  screen_xvfb=
}
