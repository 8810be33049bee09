#!/usr/bin/env bash
# Makes the release bundle from both builds and checks it: the zip holds every file its text
# for Windows users names, each folder holds binaries of its own bitness, and every executable
# and DLL imports only system DLLs.
# Usage: check_bundle.sh BUILD32 BUILD64 WORKDIR
set -uo pipefail
build32=$1 build64=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
for f in "$build32/srcfilter/srcfilter.dll" "$build64/srcfilter/srcfilter.dll"; do
  [ -f "$f" ] || { echo "FAIL: missing $f (both presets must be built)"; exit 1; }
done
zip=$("$here/../../scripts/make-bundle.sh" "$build32" "$build64" "$work") || exit 1
echo "bundle: $(basename "$zip"), $(stat -c %s "$zip") bytes"
rm -rf "$work/unpacked" && mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack"; exit 1; }
cd "$work/unpacked"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -f README.txt ] || fail "no README.txt"
named=$(grep -oE 'x(86|64)([/\\][A-Za-z0-9_]+)+\.(dll|exe|h|a)' README.txt | tr '\\' / | sort -u)
[ -n "$named" ] || fail "README.txt names no files"
for f in $named; do [ -f "$f" ] || fail "README.txt names $f, which the zip lacks"; done
for f in srcfilter.dll qvl_register.exe qvl_producer.exe qvl_capture.exe include/qvl_sender.h \
  lib/libqvl_sender.a qvl_sender.dll lib/qvl_sender.lib lib/libqvl_sender.dll.a; do
  for dir in x86 x64; do [ -f "$dir/$f" ] || fail "$dir/$f missing"; done
done

check_folder() { # folder triple file-format cdecl-prefix
  # MSVC's linker looks for the plain name, with __cdecl's underscore on x86.
  # (grep reads nm's whole output: with pipefail, grep -q quitting early fails the pipe.)
  grep -q " T $4qvl_sender_send$" <<<"$("$2-nm" "$1/lib/qvl_sender.lib" 2>/dev/null)" ||
    fail "$1/lib/qvl_sender.lib lacks $4qvl_sender_send"
  local binaries
  binaries=$(find "$1" -name '*.exe' -o -name '*.dll')
  for b in $binaries; do
    "$2-objdump" -f "$b" | grep -q "file format $3" || fail "$b is not $3"
  done
  # shellcheck disable=SC2086
  "$here/../support/system_imports.sh" "$2-objdump" $binaries || fail "$1: non-system imports"
}
check_folder x86 i686-w64-mingw32 pei-i386 _
check_folder x64 x86_64-w64-mingw32 pei-x86-64 ""
[ $failures -eq 0 ] && echo "bundle ok"
exit $((failures > 0))
