#!/usr/bin/env bash
# The installer, as a user or an administrator meets it, in a fresh 64-bit prefix (its 32-bit
# parts emulated where the host refuses 32-bit code):
# - for the current user: nothing written outside the user's hive; its uninstaller removes it;
# - for the machine, over an older version: one registration, one uninstall entry carrying
#   the new version, no file of the old version left, the format given on the command line
#   (the machine's too, in the 64-bit view, whichever bitness stores it), the panel leading
#   the Start menu; the Windows 11 camera asked for is refused (Wine has none), and the install
#   still succeeds and records why; ffmpeg of either bitness lists the camera and captures the
#   producer started out of the installed folder; while that producer runs, a reinstall fails
#   and leaves the install whole;
# - an uninstall whose x86 camera cannot be unregistered removes everything else, keeps what
#   it needs to finish later and says so in its status; the next one finishes;
# - its uninstaller leaves no file, folder, class key, video input entry (nor an Instance key
#   it left empty), uninstall entry, shortcut, start-up value or machine format.
# Prints the installer's size, the install and uninstall times and what the registry keeps.
# Usage: installer_tests.sh BUILD32 BUILD64 WORKDIR FFMPEG32 FFMPEG64
set -uo pipefail
build32=$1 build64=$2 work=$3 ffmpeg32=$4 ffmpeg64=$5
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
for f in "$build32/srcfilter/srcfilter.dll" "$build64/srcfilter/srcfilter.dll" "$ffmpeg32" \
  "$ffmpeg64"; do
  [ -f "$f" ] || { echo "FAIL: missing $f (both presets and scripts/setup.sh must have run)"; exit 1; }
done
# shellcheck source=scripts/qvl_names.sh
. "$root/scripts/qvl_names.sh"
clsid=$QVL_CAMERA_CLSID
classes="HKLM\\Software\\Classes" classes32="HKLM\\Software\\Classes\\Wow6432Node"
video_input="CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\$clsid"
run_key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
machine_format() { # the machine's stored format, WIDTHxHEIGHT@FPS in hexadecimal, 64-bit view
  local v out=
  for v in "$QVL_SETTING_WIDTH" "$QVL_SETTING_HEIGHT" "$QVL_SETTING_FPS"; do
    out+=$(w64 reg query "HKLM\\$QVL_SETTINGS_KEY" /v "$v" /reg:64 | sed -n "s/^ *$v *REG_DWORD *0x//p")_
  done
  echo "$out"
}
uninstall_key="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\srcfilter"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work" && work=$(cd "$work" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build64/CMakeCache.txt")
echo "shipped by 0.9.0 only" >"$work/stale.txt"
echo "not a module" >"$work/broken.dll"
make_setup() { "$root/scripts/make-installer.sh" "$build32" "$build64" "$@" 2>"$work/makensis.log" ||
  { cat "$work/makensis.log"; echo "FAIL: makensis" >&2; exit 1; }; }
old=$(make_setup "$work/old" 0.9.0 "x64/stale.txt=$work/stale.txt") || exit 1
# Its x64 camera registers, its x86 one cannot.
broken=$(make_setup "$work/broken" 0.8.0 "x86/srcfilter.dll=$work/broken.dll") || exit 1
setup=$(make_setup "$work") || exit 1
echo "installer: $(basename "$setup"), $(stat -c %s "$setup") bytes"

# Start menu entries must not become desktop files in the host's home.
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
w64() { /usr/lib/wine/wine64 "$@" 2>/dev/null | tr -d '\r'; }
key_exists() { /usr/lib/wine/wine64 reg query "$1" >/dev/null 2>&1; }
value() { w64 reg query "$1" /v "$2" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p
producer_pid=
cleanup() {
  [ -n "$producer_pid" ] && kill "$producer_pid" 2>/dev/null && wait "$producer_pid"
  wineserver -k 2>/dev/null
}
trap cleanup EXIT
# Wine keeps its own device bookkeeping under HKLM\System, changing with every program that
# could open a window; what an installer writes for the machine lives under HKLM\Software.
export_hive() { # key file: the key's tree as text
  /usr/lib/wine/wine64 reg export "$1" "$work/raw.reg" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$work/raw.reg" | tr -d '\r' >"$2"
}
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
# run_setup INSTALLER ARGS...: runs it silently, prints its status and time.
run_setup() {
  local start status
  start=$(date +%s%N)
  /usr/lib/wine/wine "$@" /S >/dev/null 2>&1
  status=$?
  echo "$(basename "$1") $*: status $status in $(ms_since "$start") ms" >&2
  return $status
}
# uninstall ROOT: runs the entry's quiet uninstall; it returns at once (the uninstaller runs
# from a copy of itself), so waits for the entry to go.
uninstall() {
  local command start
  command=$(value "$1\\$uninstall_key" QuietUninstallString)
  [ -n "$command" ] || { fail "$1: no QuietUninstallString"; return; }
  start=$(date +%s%N)
  local program=${command#\"} && program=${program%%\"*}
  # shellcheck disable=SC2086 # the entry's arguments, one word each
  /usr/lib/wine/wine "$program" ${command#"\"$program\""} >/dev/null 2>&1
  for _ in $(seq 600); do key_exists "$1\\$uninstall_key" || break; sleep 0.2; done
  echo "uninstall ($1): $(ms_since "$start") ms"
  key_exists "$1\\$uninstall_key" && fail "$1: uninstall entry left after uninstall"
}
host_path() { w64 winepath -u "$1"; }

# A format the camera does not take: refused before anything is installed.
run_setup "$setup" /FORMAT=0x0@25 && fail "an install with the format 0x0@25 succeeded"
key_exists "HKLM\\$uninstall_key" && fail "the refused install wrote its entry"
export_hive "HKLM\\Software" "$work/hklm-before.txt"
export_hive HKCU "$work/hkcu-before.txt"

# For the current user.
run_setup "$setup" /CURRENTUSER || fail "per-user install failed"
export_hive "HKLM\\Software" "$work/hklm-user.txt"
diff "$work/hklm-before.txt" "$work/hklm-user.txt" >"$work/hklm-user.diff" ||
  fail "per-user install wrote to HKLM\\Software:"$'\n'"$(head -20 "$work/hklm-user.diff")"
key_exists "HKCU\\Software\\Classes\\CLSID\\$clsid" || fail "per-user install: no user class key"
userdir=$(value "HKCU\\$uninstall_key" InstallLocation)
[[ ${userdir,,} == *"\\appdata\\local\\programs\\"* ]] ||
  fail "per-user install went to '$userdir', not the user's programs"
uninstall HKCU
key_exists "HKCU\\Software\\Classes\\CLSID\\$clsid" && fail "per-user uninstall left the class key"

# A registration that fails takes the whole install back.
run_setup "$broken" && fail "an install whose x86 camera cannot be registered succeeded"
key_exists "$classes\\CLSID\\$clsid" && fail "the failed install left the x64 camera registered"
key_exists "HKLM\\$uninstall_key" && fail "the failed install wrote its entry"
[ -e "$WINEPREFIX/drive_c/Program Files/srcfilter" ] && fail "the failed install left its folder"

# For the machine: the old version, then the current one over it.
run_setup "$old" || fail "install of 0.9.0 failed"
[ "$(value "HKLM\\$uninstall_key" DisplayVersion)" = 0.9.0 ] || fail "0.9.0's entry is not 0.9.0"
run_setup "$setup" /FORMAT=640x480@30 /WIN11CAMERA || fail "upgrade asking for the Windows 11 camera failed"
win11=$(value "HKLM\\$uninstall_key" Windows11Camera)
[[ $win11 == "not installed: "*"needs Windows 11 (build 22000 or later)"* ]] ||
  fail "the entry records the Windows 11 camera as '$win11'"
key_exists "$classes\\CLSID\\$QVL_MF_SOURCE_CLSID" && fail "the refused Windows 11 camera left its class key"
[ "$(machine_format)" = 280_1e0_1e_ ] || fail "the machine's format is $(machine_format), not 640x480@30"
[ "$(value "HKLM\\$uninstall_key" DisplayVersion)" = "$version" ] ||
  fail "the entry's version is '$(value "HKLM\\$uninstall_key" DisplayVersion)', not $version"
entries=$(w64 reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s |
  grep -c "DisplayName.*$QVL_CAMERA_NAME")
[ "$entries" = 1 ] || fail "$entries uninstall entries name the camera"
for v in Publisher EstimatedSize UninstallString; do
  [ -n "$(value "HKLM\\$uninstall_key" $v)" ] || fail "the uninstall entry has no $v"
done
windir=$(value "HKLM\\$uninstall_key" InstallLocation)
dir=$(host_path "$windir")
[ -d "$dir/x64" ] && [ -d "$dir/x86" ] || fail "no x64 and x86 folders in '$dir'"
[ -e "$dir/x64/stale.txt" ] && fail "0.9.0's stale.txt was left"
for view in "$classes" "$classes32"; do
  server=$(w64 reg query "$view\\CLSID\\$clsid\\InprocServer32" /ve | sed -n 's/.*REG_SZ *//p')
  [[ ${server,,} == "${windir,,}\\x"* ]] || fail "$view: the camera's server is '$server'"
  key_exists "$view\\$video_input" || fail "$view: no video input entry"
done
links=$(find "$WINEPREFIX/drive_c" -ipath '*start menu*srcfilter*.lnk' | wc -l)
[ "$links" -ge 3 ] || fail "$links Start menu entries"
[ -n "$(find "$WINEPREFIX/drive_c" -ipath '*start menu*srcfilter*/camera panel.lnk')" ] ||
  fail "no Camera panel in the Start menu"
for bits in x64 x86; do
  [ -f "$dir/$bits/$QVL_PANEL_EXE" ] || fail "no $bits/$QVL_PANEL_EXE installed"
done

# Capture programs of both bitnesses see the camera at the format given and receive the
# installed producer's pictures.
/usr/lib/wine/wine64 "$dir/x64/qvl_producer.exe" --seconds 0 --quiet >/dev/null 2>&1 &
producer_pid=$!
sleep 2
capture() { # loader ffmpeg bitness
  local listed log=$work/ffmpeg$3.log summary
  listed=$("$1" "$2" -hide_banner -list_devices true -f dshow -i dummy 2>&1 |
    grep -cF "\"$QVL_CAMERA_NAME\" (video)")
  [ "$listed" = 1 ] || fail "$3-bit ffmpeg lists the camera $listed times"
  summary=$(timeout 300 "$1" "$2" -hide_banner -nostdin -f dshow -i "video=$QVL_CAMERA_NAME" \
    -frames:v 15 -c:v copy -f rawvideo - 2>"$log" | python3 "$root/tests/ffmpeg/frame_counters.py" 640 480)
  echo "$3-bit ffmpeg: $summary"
  tr '\r' '\n' <"$log" | grep -q "Video: rawvideo, bgr0, 640x480, 30 fps" ||
    fail "$3-bit ffmpeg saw $(tr '\r' '\n' <"$log" | grep -m1 'Video:')"
  [[ $summary == "frames=15 "* && $summary != *" rise=0 "* ]] ||
    fail "$3-bit ffmpeg did not capture the producer's pictures: $summary"
}
capture /usr/lib/wine/wine64 "$ffmpeg64" 64
capture /usr/lib/wine/wine "$ffmpeg32" 32

# The producer holds a file of the install: a reinstall refuses and keeps it whole.
run_setup "$setup" && fail "reinstall while the producer runs succeeded"
[ -f "$dir/x64/srcfilter.dll" ] && [ -f "$dir/x86/srcfilter.dll" ] &&
  key_exists "$classes\\$video_input" || fail "the refused reinstall broke the install"
kill "$producer_pid" && wait "$producer_pid" 2>/dev/null
producer_pid=

# The 32-bit tool stores the machine's format where the 64-bit service reads it.
/usr/lib/wine/wine "$dir/x86/qvl_register.exe" format 800x600@30 >/dev/null 2>&1
[ "$(machine_format)" = 320_258_1e_ ] || fail "the x86 tool stored the machine's format as $(machine_format)"

# The panel set to start with Windows; an x86 camera that cannot be unregistered (its module
# broken) after the x64 one was: the rest goes, what it needs stays, and the status says so.
w64 reg add "$run_key" /v "$QVL_PANEL_RUN_VALUE" /d "\"$windir\\x64\\$QVL_PANEL_EXE\" --tray" /f >/dev/null
cp "$work/broken.dll" "$dir/x86/srcfilter.dll"
# _?= runs it in place and waits; NSIS takes the rest of the line unquoted as the folder.
# shellcheck disable=SC2086
(set -f && /usr/lib/wine/wine "$dir/uninstall.exe" /S _?=$windir >/dev/null 2>&1)
status=$?
[ $status = 2 ] || fail "an uninstall that could not unregister the x86 camera ended with $status"
key_exists "$classes\\CLSID\\$clsid" && fail "the half-failed uninstall left the x64 class key"
[ -e "$dir/x64" ] && fail "the half-failed uninstall left the x64 folder"
[ -f "$dir/x86/qvl_register.exe" ] && [ -f "$dir/uninstall.exe" ] &&
  key_exists "HKLM\\$uninstall_key" || fail "the half-failed uninstall kept nothing to finish with"
w64 reg query "$run_key" /v "$QVL_PANEL_RUN_VALUE" >/dev/null 2>&1 && fail "the panel's start-up value stayed"
links=$(find "$WINEPREFIX/drive_c" -ipath '*start menu*srcfilter*.lnk' -printf '%f\n')
[ "$links" = Uninstall.lnk ] || fail "the half-failed uninstall left these shortcuts: $links"
cp "$build32/srcfilter/srcfilter.dll" "$dir/x86/srcfilter.dll"

uninstall HKLM
[ -e "$dir" ] && fail "left under the install folder: $(find "$dir" | head -5)"
for view in "$classes" "$classes32"; do
  key_exists "$view\\CLSID\\$clsid" && fail "$view: class key left"
  key_exists "$view\\$video_input" && fail "$view: video input entry left"
done
links=$(find "$WINEPREFIX/drive_c" -ipath '*start menu*srcfilter*' | wc -l)
[ "$links" = 0 ] || fail "$links Start menu entries left"
key_exists "HKLM\\Software\\$QVL_VENDOR" && fail "the machine's format stayed"

for hive in HKLM HKCU; do
  key=$hive && [ $hive = HKLM ] && key="HKLM\\Software"
  export_hive "$key" "$work/${hive,,}-after.txt"
  diff "$work/${hive,,}-before.txt" "$work/${hive,,}-after.txt" >"$work/${hive,,}.diff"
  echo "$key after uninstall: $(grep -c '^[<>] \[' "$work/${hive,,}.diff") keys differ"
  grep '^[<>] \[' "$work/${hive,,}.diff" | head -20
  grep '^>' "$work/${hive,,}.diff" | grep -iF -e "$clsid" -e '\srcfilter' -e "${video_input%\\*}]" &&
    fail "$key keeps the camera's or the installer's keys above"
done

[ $failures -eq 0 ] && echo "installer ok"
exit $((failures > 0))
