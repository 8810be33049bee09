#!/usr/bin/env bash
# Capture programs find the camera among the video input devices only after qvl_register
# install, never through the module's own registration; checked with ffmpeg's DirectShow
# input. Per-user installs are checked in the registry, since Wine's device enumerator lists
# only the machine's devices.
# qvl_capture finds the camera the same way, and falls back to the class identifier.
# Arguments: the build's Wine runner, ffmpeg.exe, qvl_register.exe, srcfilter.dll,
# qvl_capture.exe.
set -uo pipefail
runner=$1 ffmpeg=$2 register=$3 dll=$4 capture=$5
[ -f "$ffmpeg" ] || { echo "FAIL: no $ffmpeg; run scripts/setup.sh"; exit 1; }

# shellcheck source=scripts/qvl_names.sh
. "$(dirname "$0")/../../scripts/qvl_names.sh"
clsid=$QVL_CAMERA_CLSID
video_input="CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\$clsid"
machine="HKLM\\Software\\Classes" user="HKCU\\Software\\Classes"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() { "$runner" "$@" 2>&1 | tr -d '\r'; }
qvl_register() { "$runner" "$register" "$@" --dll "$dll" >/dev/null 2>&1; }
key_exists() { "$runner" reg query "$1" >/dev/null 2>&1; }
# How qvl_capture found the camera.
found_by() { run "$capture" --frames 2 --seconds 5 | sed -n 's/^camera: *//p'; }
listed() {
  local devices
  devices=$(run "$ffmpeg" -hide_banner -list_devices true -f dshow -i dummy)
  grep -qF "\"$QVL_CAMERA_NAME\" (video)" <<<"$devices"
}
cleanup() {
  qvl_register uninstall
  qvl_register uninstall --user
}
trap cleanup EXIT
cleanup

module=$(run winepath -w "$dll")
# A module that cannot be loaded: a clear failure, and nothing registered.
"$runner" "$register" install --dll "$dll.missing" >/dev/null 2>&1 &&
  fail "install of a missing module succeeded"
key_exists "$machine\\CLSID\\$clsid" && fail "a failed install left the class key"

qvl_register install || fail "install failed"
listed || fail "not listed after install"
options=$(run "$ffmpeg" -hide_banner -list_options true -f dshow -i "video=$QVL_CAMERA_NAME")
formats=$(grep -c 'pixel_format=bgr0 *min s=' <<<"$options")
[ "$formats" = 1 ] || fail "list_options shows $formats formats:"$'\n'"$options"
status=$(run "$register" status --dll "$dll")
grep -q "video input category: *machine$" <<<"$status" || fail "status after install:"$'\n'"$status"
grep -qF "$module (" <<<"$status" || fail "status does not name the module:"$'\n'"$status"
found=$(found_by)
[[ $found == "video input device"* ]] || fail "qvl_capture found the installed camera by: $found"

qvl_register uninstall || fail "uninstall failed"
listed && fail "still listed after uninstall"
key_exists "$machine\\CLSID\\$clsid" && fail "class key left after uninstall"

# The module's own registration keeps it out of the category.
"$runner" regsvr32 /s "$module" >/dev/null 2>&1 || fail "regsvr32 failed"
listed && fail "listed after regsvr32 alone"
found=$(found_by)
[[ $found == "registered class"* ]] || fail "qvl_capture found the regsvr32 camera by: $found"
"$runner" regsvr32 /s /u "$module" >/dev/null 2>&1

qvl_register install --user || fail "install --user failed"
key_exists "$user\\CLSID\\$clsid" || fail "install --user wrote no user class key"
key_exists "$user\\$video_input" || fail "install --user wrote no user video input entry"
key_exists "$machine\\CLSID\\$clsid" && fail "install --user wrote the machine's class key"
key_exists "$machine\\$video_input" && fail "install --user wrote a machine video input entry"
qvl_register uninstall --user || fail "uninstall --user failed"
key_exists "$user\\CLSID\\$clsid" && fail "user class key left after uninstall --user"
key_exists "$user\\$video_input" && fail "user video input entry left after uninstall --user"

[ $failures -eq 0 ] && echo "ffmpeg device listing ok"
exit $((failures > 0))
