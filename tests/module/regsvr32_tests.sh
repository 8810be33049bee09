#!/usr/bin/env bash
# Registers and unregisters the built module with the platform's regsvr32, for the machine
# and for the current user, and reads the result back with the platform's reg tool.
# Arguments: the build's Wine runner, the DLL.
set -uo pipefail
runner=$1 dll=$2
wine_() { "$runner" "$@" 2>/dev/null | tr -d '\r'; }

# shellcheck source=scripts/qvl_names.sh
. "$(dirname "$0")/../../scripts/qvl_names.sh"
clsid=$QVL_CAMERA_CLSID
machine_key="HKLM\\Software\\Classes\\CLSID\\$clsid"
user_key="HKCU\\Software\\Classes\\CLSID\\$clsid"
instance="CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\$clsid"
machine_entry="HKLM\\Software\\Classes\\$instance"
user_entry="HKCU\\Software\\Classes\\$instance"
module=$(wine_ winepath -w "$dll")

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
regsvr32() { "$runner" regsvr32 /s "$@" >/dev/null 2>&1; }
key_exists() { "$runner" reg query "$1" >/dev/null 2>&1; }
# Every value of the class key and below, one "sub-key|name|type|data" line each, in the
# tool's order; sub-keys are named from the class identifier on.
values_below() {
  wine_ reg query "$1" /s | awk -v id="$clsid" '
    /^HKEY_/ { key = substr($0, index(toupper($0), id) + length(id)); next }
    /^    / { sub(/^    /, ""); n = split($0, f, /    /); print key "|" f[1] "|" f[2] "|" f[3] }'
}
# Leave the prefix as found, also when a check failed half-way.
cleanup() {
  regsvr32 /u "$module"
  regsvr32 /u /n /i:user "$module"
  for key in "$machine_key" "$user_key" "$machine_entry" "$user_entry"; do
    "$runner" reg delete "$key" /f >/dev/null 2>&1
  done
}
trap cleanup EXIT

expected_values() {
  printf '%s\n' "|(Default)|REG_SZ|Quovalent_01" "\\InprocServer32|(Default)|REG_SZ|$module" \
    "\\InprocServer32|ThreadingModel|REG_SZ|Both"
}

check_registration() { # root-key entry-key what
  local got
  got=$(values_below "$1")
  if [ "${got,,}" != "$(expected_values | tr '[:upper:]' '[:lower:]')" ]; then
    fail "$3: class key holds"$'\n'"$got"
  fi
  key_exists "$2" || fail "$3: no filter mapper entry"
}

# On a clean prefix there is nothing to remove, and that is a success.
regsvr32 /u "$module" || fail "unregistering an unregistered module failed"

regsvr32 "$module" || fail "regsvr32 failed"
check_registration "$machine_key" "$machine_entry" "machine"
regsvr32 "$module" || fail "second regsvr32 failed"
check_registration "$machine_key" "$machine_entry" "machine, registered twice"
[ "$(wine_ reg query "$machine_entry" /v FriendlyName | grep -c Quovalent_01)" = 1 ] ||
  fail "mapper entry is not named Quovalent_01"

# Whatever was added under the class key goes with it.
wine_ reg add "$machine_key" /v AddedLater /d x /f >/dev/null
wine_ reg add "$machine_key\\Added\\Deeper" /v Note /d y /f >/dev/null
regsvr32 /u "$module" || fail "regsvr32 /u failed"
key_exists "$machine_key" && fail "class key left after regsvr32 /u"
key_exists "$machine_entry" && fail "mapper entry left after regsvr32 /u"

# Per user: only the user's classes are written, and removed again.
wine_ reg add 'HKCU\Software\Classes' /f >/dev/null
regsvr32 /n /i:user "$module" || fail "regsvr32 /n /i:user failed"
check_registration "$user_key" "$user_entry" "per user"
key_exists "$machine_key" && fail "per-user registration wrote the machine's class key"
regsvr32 /u /n /i:user "$module" || fail "regsvr32 /u /n /i:user failed"
key_exists "$user_key" && fail "user class key left after regsvr32 /u /n /i:user"
key_exists "$user_entry" && fail "user mapper entry left after regsvr32 /u /n /i:user"

[ $failures -eq 0 ] && echo "regsvr32 registration ok"
exit $((failures > 0))
