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
allowed='^(KERNEL32|USER32|ADVAPI32|OLE32|OLEAUT32|SHELL32|SHLWAPI|VERSION|UUID|MSVCRT|COMCTL32|GDI32|WS2_32|UXTHEME|RPCRT4|WINMM|OLEACC|api-ms-win-crt-[a-z0-9-]+)\.dll$'
imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/{print $3}')
[ -n "$imports" ] || { echo "no imports found"; status=1; }
while read -r dll_name; do
  if ! printf '%s\n' "$dll_name" | tr '[:lower:]' '[:upper:]' | sed 's/\.DLL$/.dll/' | grep -Eq "$allowed"; then
    echo "non-system import: $dll_name"; status=1
  fi
done <<<"$imports"
[ $status -eq 0 ] && echo "exports and imports ok: $(echo $imports)"
exit $status
