#!/usr/bin/env bash
# Builds the frame benchmark and runs it in the build's own Wine prefix; prints figures.
# Usage: bench.sh [win64|win32]   (default win64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-win64}
build=$root/build/$preset
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target frame_bench
"$build/winerun" "$build/bench/frame_bench.exe"
WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null || true
