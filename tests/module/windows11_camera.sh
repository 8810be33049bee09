#!/usr/bin/env bash
# qvl_register's parts for the Windows 11 camera, under Wine, which has no software cameras:
# - mfcamera install and uninstall refuse with the message and a non-zero status, and leave
#   the classes byte for byte as they were. The module given registers for real (the camera's
#   own), so a refusal that came after its registration would leave its class key;
# - format, run elevated (as Wine runs programs), stores the machine's format in the 64-bit
#   view too; --user leaves it alone.
# Arguments: the build's Wine runner, qvl_register, a module that registers.
set -uo pipefail
runner=$1 tool=$2 dll=$3
wine_() { "$runner" "$@" 2>/dev/null | tr -d '\r'; }
# shellcheck source=scripts/qvl_names.sh
. "$(dirname "$0")/../../scripts/qvl_names.sh"
module=$(wine_ winepath -w "$dll")
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

keys=("HKLM\\Software\\Classes" "HKCU\\Software\\Classes" "HKLM\\$QVL_SETTINGS_KEY"
  "HKCU\\$QVL_SETTINGS_KEY")
export_keys() { # file: every key above, as text
  for key in "${keys[@]}"; do
    echo "[$key]"
    "$runner" reg export "$key" "$work/raw.reg" /y >/dev/null 2>&1 &&
      iconv -f UTF-16 -t UTF-8 "$work/raw.reg" | tr -d '\r'
  done >"$1"
}
export_keys "$work/before.txt"
# The settings as found come back at the end: the camera's tests read them.
settings=("HKLM\\$QVL_SETTINGS_KEY" "HKCU\\$QVL_SETTINGS_KEY")
for i in 0 1; do
  "$runner" reg export "${settings[$i]}" "$work/settings$i.reg" /y /reg:64 >/dev/null 2>&1
done
restore() {
  for i in 0 1; do
    "$runner" reg delete "${settings[$i]}" /f /reg:64 >/dev/null 2>&1
    [ -f "$work/settings$i.reg" ] && "$runner" reg import "$work/settings$i.reg" /reg:64 >/dev/null 2>&1
  done
  rm -rf "$work"
}
trap restore EXIT

for action in install uninstall; do
  out=$("$runner" "$tool" mfcamera $action --dll "$module" 2>&1)
  status=$?
  [ $status -ne 0 ] || fail "mfcamera $action succeeded under Wine: $out"
  [[ $out == *"needs Windows 11 (build 22000 or later)"* ]] || fail "mfcamera $action said: $out"
done
export_keys "$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >"$work/diff.txt" ||
  fail "the refusals changed the registry:"$'\n'"$(head -20 "$work/diff.txt")"
status=$(wine_ "$tool" mfcamera status --dll "$module")
[[ $status == *"Windows 11 camera:"*"needs Windows 11"* ]] || fail "mfcamera status said: $status"

machine_value() { wine_ reg query "HKLM\\$QVL_SETTINGS_KEY" /v "$1" /reg:64 |
  sed -n "s/^ *$1 *REG_DWORD *0x//p"; }
wine_ "$tool" format 640x480@30 >/dev/null || fail "format 640x480@30 failed"
[ "$(machine_value "$QVL_SETTING_WIDTH")x$(machine_value "$QVL_SETTING_HEIGHT")@$(machine_value "$QVL_SETTING_FPS")" = 280x1e0@1e ] ||
  fail "the machine's format is not 640x480@30 after format 640x480@30"
out=$(wine_ "$tool" format --user 800x600@25)
[ "$(machine_value "$QVL_SETTING_WIDTH")" = 280 ] || fail "format --user changed the machine's format"
[[ $out == *"Windows 11 camera keeps the machine's format, 640x480 at 30 fps"* ]] ||
  fail "format --user said: $out"

[ $failures -eq 0 ] && echo "windows 11 camera: refusals change nothing; machine format ok"
exit $((failures > 0))
