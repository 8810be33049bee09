#!/usr/bin/env bash
# Stages the two builds' bundle halves as x86/ and x64/ with the text for Windows users and
# zips them: OUTDIR/srcfilter-<version>-windows.zip. Prints the zip's path.
# Usage: make-bundle.sh BUILD32 BUILD64 OUTDIR
set -euo pipefail
build32=$1 build64=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build64/CMakeCache.txt")
name=srcfilter-$version-windows
stage=$out/$name
rm -f "$out/$name.zip"
"$root/scripts/stage-bundle.sh" "$build32" "$build64" "$stage"
(cd "$stage" && cmake -E tar cf "../$name.zip" --format=zip -- README.txt x86 x64)
rm -rf "$stage"
echo "$out/$name.zip"
