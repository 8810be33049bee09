#!/usr/bin/env bash
# The DLL exports exactly the COM server entry points, undecorated, and imports only
# system DLLs (no language-runtime DLLs).
set -euo pipefail
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll")
status=0
exports=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{f=1;next} f&&/^[[:space:]]*\[/{print $NF} f&&/^$/{f=0}' | sort)
expected=$(printf '%s\n' DllCanUnloadNow DllGetClassObject DllInstall DllMain DllRegisterServer DllUnregisterServer | sort)
if [ "$exports" != "$expected" ]; then
  echo "unexpected exports:"; printf '%s\n' "$exports"; status=1
fi
"$(dirname "$0")/../support/system_imports.sh" "$objdump" "$dll" || status=1
exit $status
