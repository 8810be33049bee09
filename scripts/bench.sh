#!/usr/bin/env bash
# Builds the frame benchmark and runs it in the build's own Wine prefix; prints figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win32
cd "$root"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target frame_bench
"$root/scripts/wine-run.sh" "$build/wineprefix" "$build/bench/frame_bench.exe"
WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null || true
