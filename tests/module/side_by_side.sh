#!/usr/bin/env bash
# Both modules registered side by side in one 64-bit prefix: the x86-64 DLL by 64-bit regsvr32
# (64-bit registry view), the i686 DLL by 32-bit regsvr32 (32-bit view). Each is listed, and
# binds, in the device enumerator of a client of its own bitness; unregistering one leaves the
# other intact. Arguments: the prefix to use, then the i686 DLL and lister, then the x86-64 ones.
set -uo pipefail
prefix=$1 dll32=$2 list32=$3 dll64=$4 list64=$5
for f in "$dll32" "$list32" "$dll64" "$list64"; do
  [ -f "$f" ] || { echo "FAIL: missing $f (both presets must be built)"; exit 1; }
done
header=$(dirname "$0")/../../srcfilter/protocol/qvl_protocol.h
name=$(sed -n 's/^#define QVL_CAMERA_FRIENDLY_NAME "\(.*\)"$/\1/p' "$header")

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
w64() { /usr/lib/wine/wine64 "$@" 2>/dev/null | tr -d '\r'; }
w32() { /usr/lib/wine/wine "$@" 2>/dev/null | tr -d '\r'; }
rm -rf "$prefix"
w64 wineboot -i >/dev/null
wineserver -p
trap 'wineserver -k 2>/dev/null' EXIT
path32=$(w64 winepath -w "$dll32") path64=$(w64 winepath -w "$dll64")

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect BITNESS present|absent [DLL]: what that bitness's client lists in the legacy category.
expect() {
  local lister=$list64 runner=w64 entry
  [ "$1" = 32 ] && { lister=$list32 runner=w32; }
  entry=$($runner "$lister" legacy | grep -F "$name|" || true)
  if [ "$2" = absent ]; then
    [ -z "$entry" ] || fail "$1-bit client still lists: $entry ($step)"
  elif [ "${entry,,}" != "${name,,}|bound|${3,,}" ]; then
    fail "$1-bit client lists '${entry}', expected $name bound from $3 ($step)"
  fi
}

step="both registered"
w64 regsvr32 /s "$path64" || fail "64-bit regsvr32 failed"
w32 regsvr32 /s "$path32" || fail "32-bit regsvr32 failed"
expect 64 present "$path64"
expect 32 present "$path32"

step="32-bit unregistered"
w32 regsvr32 /u /s "$path32" || fail "32-bit regsvr32 /u failed"
expect 64 present "$path64"
expect 32 absent

step="32-bit again, 64-bit unregistered"
w32 regsvr32 /s "$path32"
w64 regsvr32 /u /s "$path64" || fail "64-bit regsvr32 /u failed"
expect 32 present "$path32"
expect 64 absent

[ $failures -eq 0 ] && echo "side-by-side registration ok"
exit $((failures > 0))
