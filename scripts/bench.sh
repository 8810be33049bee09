#!/usr/bin/env bash
# Builds the benchmarks and runs them for every bitness this host can run, each in its build's
# own Wine prefix. Prints a readable table and one "bench: key=value ..." line per case and
# size. The waits case runs last, under a Wine server started with request tracing, so that
# every request the camera's streaming thread sends to the server can be counted.
# Usage: bench.sh [win64|win32]...   (default: both, as the host allows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=host.sh
. scripts/host.sh
# shellcheck source=bench-screen.sh
. scripts/bench-screen.sh
# shellcheck source=bench-panel.sh
. scripts/bench-panel.sh
# shellcheck source=bench-video.sh
. scripts/bench-video.sh
./scripts/setup.sh >/dev/null

bench_preset() { # preset
  local preset=$1 build=$root/build/$1
  cmake --preset "$preset" >/dev/null
  local targets=(stream_bench fill_bench qvl_producer quadrant_window on_desktop qvl_panel
    claim_probe)
  [ "$preset" = win64 ] && targets+=(mf_bench) # the Windows 11 camera is x64 only
  cmake --build --preset "$preset" --target "${targets[@]}" >/dev/null
  echo "== $preset =="
  "$build/winerun" "$build/bench/fill/fill_bench.exe"
  "$build/winerun" "$build/bench/stream_bench.exe" free steady paced age
  local trace=$build/bench-server-trace.txt
  export WINEPREFIX=$build/wineprefix
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -f -d1 2>"$trace" &
  local server=$!
  "$build/winerun" "$build/bench/stream_bench.exe" waits --server-trace "Z:$trace"
  wineserver -k 2>/dev/null || true
  wait "$server" || true
  rm -f "$trace"
  # The Windows 11 camera: age through the source reader, fill against its floor, dual feed.
  [ "$preset" = win64 ] && "$build/winerun" "$build/bench/mf_bench.exe"
  # The screen source and the panel once, with the x86-64 programs: the grab is the X server's
  # work either way.
  if [ "$preset" = win64 ]; then
    bench_screen "$build" x64 || true
    bench_panel "$build" x64 || true
  fi
  bench_video "$build" "$([ "$preset" = win64 ] && echo x64 || echo x86)"
  return 0
}

bench_emulated() { # the i686 build where 32-bit code runs only under QEMU: no server trace
  local build=$root/build/win32
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 --target stream_bench fill_bench >/dev/null
  echo "== win32 (emulated: figures measure QEMU as much as the camera) =="
  ./scripts/emulated.sh "$build/winerun" sh -c \
    "'$build/winerun' '$build/bench/fill/fill_bench.exe' &&
     '$build/winerun' '$build/bench/stream_bench.exe' free steady paced age waits"
}

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win64 win32)
for preset in "${presets[@]}"; do
  if [ "$preset" = win32 ] && [ "$(i686_mode)" = emulated ]; then
    if emulator_ready; then
      bench_emulated
    else
      echo "== win32 skipped: this host refuses 32-bit code and has no emulator =="
    fi
  else
    bench_preset "$preset"
  fi
done
