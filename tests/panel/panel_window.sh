#!/usr/bin/env bash
# The panel's window, read and driven through its native controls on an X display of the
# test's own: one panel per session (a second start hands its source over and exits 0);
# --quit ends it; choices made in the window are stored per user and come back, while the
# command line's last one run; a region dragged out on the screen's overlay becomes the source; "Start with Windows" writes the Run value but never overrides
# Windows' own switch; a bad value shows the usage in a message box and exits 2.
# Arguments: BUILD (folder) and the host paths of qvl_panel.exe and panel_probe.exe.
set -uo pipefail
build=$1 panel=$2 probe_exe=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/screen-session.sh
. "$here/../../scripts/screen-session.sh"
# shellcheck source=scripts/qvl_names.sh
. "$here/../../scripts/qvl_names.sh"
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

reg() { env -u DISPLAY "$build/winerun" reg "$@" 2>/dev/null | tr -d '\r'; }
panel_key="HKCU\\$QVL_PANEL_KEY"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
approved_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run'
forget() {
  reg delete "$panel_key" /f >/dev/null
  reg delete "$run_key" /v "$QVL_PANEL_RUN_VALUE" /f >/dev/null
  reg delete "$approved_key" /v "$QVL_PANEL_RUN_VALUE" /f >/dev/null
}
cleanup() {
  screen_run "$panel" --quit >/dev/null 2>&1
  screen_stop
  forget
  rm -rf "$work"
}
trap cleanup EXIT
forget
screen_start "$build" || exit 1

probe() { screen_run "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
# Asks the probe again until it prints EXPECTED (a press takes effect when the panel gets to it).
until_probe() { # EXPECTED PROBE-ARGS...
  for _ in $(seq 50); do
    [ "$(probe "${@:2}")" = "$1" ] && return 0
    sleep 0.2
  done
  return 1
}
start_panel() { # ARGS...
  screen_run "$panel" "$@" >>"$work/panel.log" 2>&1 &
  panel_pid=$!
  until_probe 1 count || fail "no panel window after starting it with $*"
}
# The exit status of a background program, or 124 if it still runs after 20 s.
status_of() { # PID
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$1" 2>/dev/null && { kill "$1"; return 124; }
  wait "$1"
}
quit_panel() {
  screen_run "$panel" --quit || fail "--quit exited with status $?"
  status_of "$panel_pid" || fail "the panel exited with status $? after --quit"
  [ "$(probe count)" = 0 ] || fail "a panel window is left after --quit"
}
stored() { reg query "$panel_key" /v "$1" | awk -v name="$1" '$1 == name {print $3}'; }

# One panel: a second start hands its source over, exits 0 and leaves one panel.
start_panel --tray --mirror
[ "$(probe checked 'Mirror the picture')" = on ] || fail "--mirror did not check the mirror"
screen_run "$panel" --window "Handed over" >>"$work/panel.log" 2>&1 ||
  fail "a second start exited with status $?"
[ "$(probe count)" = 1 ] || fail "$(probe count) panel windows after a second start"
until_probe "Handed over" text 1018 || fail "the second start's window title did not arrive"
# No window has that title: the panel says so while nobody watches, and keeps running.
for _ in $(seq 50); do
  probe text 1052 | grep -q "No window's title contains" && break
  sleep 0.2
done
probe text 1052 | grep -q "No window's title contains" ||
  fail "a window that cannot be had is not shown: $(probe text 1052)"

# A choice made in the window is stored; the command line's are not, and the stored ones
# come back at the next start.
probe check "Draw the mouse pointer" off
until_probe off checked "Draw the mouse pointer" || fail "the pointer check box did not change"
quit_panel
[ "$(stored pointer)" = 0x0 ] || fail "the pointer choice was not stored: $(stored pointer)"
[ "$(stored mirror)" = 0x0 ] || fail "--mirror, a command-line choice, was stored"
[ "$(stored source)" = pattern ] || fail "the command line's source was stored: $(stored source)"
start_panel --tray
[ "$(probe checked 'Draw the mouse pointer')" = off ] || fail "the pointer choice did not come back"
[ "$(probe checked 'Mirror the picture')" = off ] || fail "the mirror is on without --mirror"

# A region dragged out on the overlay of the screen, in the screen's coordinates.
probe click "Drag it out on the screen..."
probe --title "Drag out the part of the screen to show. Esc cancels." --wait 20 drag 100 80 420 320
until_probe 100,80,320,240 text 1016 || fail "the dragged region reads $(probe text 1016)"
[ "$(probe checked Region)" = on ] || fail "a dragged region is not the source"

# Start with Windows: the Run value starts the panel hidden; once the user has turned it off
# in Windows' own switch, the panel says so and leaves the switch alone.
probe check "Start with Windows" on
until_probe on checked "Start with Windows" || fail "Start with Windows did not turn on"
reg query "$run_key" /v "$QVL_PANEL_RUN_VALUE" | grep -q 'qvl_panel.exe" --tray$' ||
  fail "no Run value that starts the panel hidden: $(reg query "$run_key" /v "$QVL_PANEL_RUN_VALUE")"
off_by_user=030000000000000000000000
reg add "$approved_key" /v "$QVL_PANEL_RUN_VALUE" /t REG_BINARY /d $off_by_user /f >/dev/null
quit_panel
start_panel --tray
[ "$(probe checked 'Start with Windows')" = off ] || fail "Windows' switch is off, the panel says on"
probe click "Start with Windows"
probe --title "Start with Windows" --wait 20 list | grep -q 'Windows keeps the panel from' ||
  fail "no word that Windows' own switch keeps it off"
probe --title "Start with Windows" click OK
reg query "$approved_key" /v "$QVL_PANEL_RUN_VALUE" | grep -qi "$off_by_user" ||
  fail "Windows' own switch was changed: $(reg query "$approved_key" /v "$QVL_PANEL_RUN_VALUE")"
quit_panel

# --quit with no panel running returns at once, with status 0.
screen_run "$panel" --quit || fail "--quit with no panel exited with status $?"

# A bad value: the usage in a message box, then status 2.
screen_run "$panel" --region 1,2,3 >/dev/null 2>&1 &
bad_pid=$!
probe --title qvl_panel --wait 30 list | grep -q -- '--region X,Y,W,H' ||
  fail "no usage text in a message box for a bad --region"
probe --title qvl_panel click OK
status_of "$bad_pid"
status=$?
[ "$status" = 2 ] || fail "a bad --region exited with status $status"

echo "$failures failure(s)"
[ "$failures" = 0 ]
