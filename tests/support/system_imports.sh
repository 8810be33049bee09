#!/usr/bin/env bash
# Checks that each Windows binary given imports only system DLLs (no language-runtime DLLs).
# Usage: system_imports.sh OBJDUMP FILE...
set -euo pipefail
objdump=$1; shift
allowed='^(KERNEL32|USER32|ADVAPI32|OLE32|OLEAUT32|SHELL32|SHLWAPI|VERSION|UUID|MSVCRT|COMCTL32|COMDLG32|GDI32|WS2_32|UXTHEME|RPCRT4|WINMM|OLEACC|WINDOWSCODECS|BCRYPT|DWMAPI|MFPLAT|MFREADWRITE|api-ms-win-crt-[a-z0-9-]+)\.dll$'
status=0
for file in "$@"; do
  imports=$("$objdump" -p "$file" | awk '/DLL Name:/{print $3}')
  [ -n "$imports" ] || { echo "$file: no imports found"; status=1; }
  while read -r dll_name; do
    if ! printf '%s\n' "$dll_name" | tr '[:lower:]' '[:upper:]' | sed 's/\.DLL$/.dll/' | grep -Eq "$allowed"; then
      echo "$file: non-system import $dll_name"; status=1
    fi
  done <<<"$imports"
  [ $status -eq 0 ] && echo "$(basename "$file"): imports ok: $(echo $imports)"
done
exit $status
