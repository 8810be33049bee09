# shellcheck shell=bash
# Sourced by bench.sh: the producer's screen source, --region at 640x480, 1280x720 and
# 1920x1080, each with the camera set to that size at 30 fps, on an X display of its own with
# the test window filling the screen. From the producer's own progress line: the grab alone
# (grab_ms), its whole work a frame (frame_ms), its processor use (cpu_pct) and the frames a
# second it wrote (rate); beside them the X server's processor use (x_cpu_pct), which does the
# reading of the pixels under Wine.
# bench_screen BUILD ARCH: prints one "bench:" line per size.

# Processor ticks a Linux process has used (user and system).
process_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

bench_screen() {
  local build=$1 arch=$2 seconds=${SCREEN_BENCH_SECONDS:-8}
  # shellcheck source=scripts/qvl_names.sh
  . "$(dirname "${BASH_SOURCE[0]}")/qvl_names.sh"
  # shellcheck source=scripts/screen-session.sh
  . "$(dirname "${BASH_SOURCE[0]}")/screen-session.sh"
  # shellcheck source=scripts/camera-settings.sh
  . "$(dirname "${BASH_SOURCE[0]}")/camera-settings.sh"
  local work
  work=$(mktemp -d)
  settings_hold "$build" "$work" 640 480 30
  screen_start "$build" || return 1
  mkfifo "$work/commands"
  screen_run "$build/tests/quadrant_window.exe" "bench window" 0 0 1920 1080 \
    <"$work/commands" >/dev/null 2>&1 &
  exec 8>"$work/commands"
  sleep 3
  local size w h line x0 x1 hz secs rate grab frame cpu xcpu
  hz=$(getconf CLK_TCK)
  for size in 640x480 1280x720 1920x1080; do
    w=${size%x*} h=${size#*x}
    settings_store "$w" "$h" 30
    x0=$(process_ticks "$screen_xvfb")
    line=$(screen_run "$build/tools/qvl_producer.exe" --region "0,0,$w,$h" --seconds "$seconds" \
      --no-pointer | tr -d '\r' | tail -n1) || true
    x1=$(process_ticks "$screen_xvfb")
    # "... N frames sent in T s (R fps), ...; grab G ms, frame F ms, cpu C%"
    read -r secs rate grab frame cpu < <(sed -E -n 's/.* in ([0-9.]+) s \(([0-9.]+) fps\).*grab ([0-9.]+) ms, frame ([0-9.]+) ms, cpu ([0-9]+)%.*/\1 \2 \3 \4 \5/p' <<<"$line") || true
    if [ -z "${cpu:-}" ]; then
      echo "bench: arch=$arch case=screen size=$size failed: $line"
      continue
    fi
    xcpu=$(awk -v t=$((x1 - x0)) -v hz="$hz" -v s="$secs" 'BEGIN { printf "%.0f", 100 * t / hz / s }')
    echo "bench: arch=$arch case=screen size=$size fps=30 grab_ms=$grab frame_ms=$frame cpu_pct=$cpu rate=$rate x_cpu_pct=$xcpu"
  done
  echo close >&8
  exec 8>&-
  screen_stop
  settings_restore
  rm -rf "$work"
}
