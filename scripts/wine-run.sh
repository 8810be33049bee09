#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, creating the prefix on first use.
# Never touches the user's own prefix.
# Usage: wine-run.sh PREFIX win32|win64 PROGRAM [ARGS...]
# win64 programs run with the 64-bit loader, win32 ones with the 32-bit loader (which, on a
# host that refuses 32-bit code, works only inside scripts/emulated.sh).
set -euo pipefail
prefix=$1 arch=$2; shift 2
case $arch in
  win64) loader=/usr/lib/wine/wine64 ;;
  win32) loader=/usr/lib/wine/wine ;;
  *) echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$loader" wineboot -i >/dev/null 2>&1
    # system.reg is written only when the server has gone; a persistent server (emulated
    # runs) is told to flush by waiting on it in the same way.
    wineserver -w
  fi
  exec 9>&-
fi
exec "$loader" "$@"
