# shellcheck shell=bash
# Sourced by bench.sh: the panel with the window source at 1280x720, 30 fps, on an X display of
# its own with the test window filling the screen, against qvl_producer on the same window.
# A stand-in for a camera that starts streaming (bench/panel/claim_probe) claims a slot and
# waits for the window's picture; the processor time of each program comes from its Linux
# process (all threads), over the same span for both.
#   idle_cpu_pct: the panel hidden in the notification area, nobody watching, over 10 s;
#   idle_shown_cpu_pct: the same with its window and preview shown;
#   start_ms: claim to the window's first picture in the channel, median of 5 (and the worst);
#   cpu_pct, frame_ms, rate: the panel shown (preview drawn) while watched: its processor use,
#     processor time per frame written, frames a second; producer_*: the same for qvl_producer.
# bench_panel BUILD ARCH: prints one "bench:" line.

bench_panel() {
  local build=$1 arch=$2 seconds=${PANEL_BENCH_SECONDS:-8}
  local here
  here=$(dirname "${BASH_SOURCE[0]}")
  # shellcheck source=scripts/qvl_names.sh
  . "$here/qvl_names.sh"
  # shellcheck source=scripts/screen-session.sh
  . "$here/screen-session.sh"
  # shellcheck source=scripts/wine-process.sh
  . "$here/wine-process.sh"
  # shellcheck source=scripts/camera-settings.sh
  . "$here/camera-settings.sh"
  local run="env -u DISPLAY $build/winerun"
  local panel=$build/tools/panel/qvl_panel.exe probe=$build/bench/claim_probe.exe
  local work
  work=$(mktemp -d)
  settings_hold "$build" "$work" 1280 720 30
  screen_start "$build" || return 1
  mkfifo "$work/commands"
  screen_run "$build/tests/quadrant_window.exe" "bench window" 0 0 1920 1080 \
    <"$work/commands" >/dev/null 2>&1 &
  exec 8>"$work/commands"
  sleep 3
  # The red quadrant, top left of the fitted window.
  local red=(320 180 FF0000)

  # pct NS SECONDS: processor use in per cent of a core.
  pct() { awk -v ns="$1" -v s="$2" 'BEGIN { printf "%.2f", 100 * ns / (s * 1e9) }'; }
  # idle PID: per cent of a core over 10 s.
  idle() { local a; a=$(cpu_ns "$1"); sleep 10; pct $(($(cpu_ns "$1") - a)) 10; }
  # watched PID: "CPU_PCT FRAME_MS RATE" while the probe holds a claim for `seconds`.
  watched() {
    local a b line frames secs
    a=$(cpu_ns "$1")
    line=$($run "$probe" "${red[@]}" --hold "$seconds" | tr -d '\r')
    b=$(cpu_ns "$1")
    frames=$(sed -n 's/.*frames=\([0-9]*\).*/\1/p' <<<"$line")
    secs=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$line")
    awk -v ns=$((b - a)) -v f="${frames:-0}" -v s="${secs:-1}" 'BEGIN {
      printf "%.1f %.2f %.1f\n", 100 * ns / (s * 1e9), (f > 0 ? ns / 1e6 / f : 0), f / s }'
  }
  panel_run() { # ARGS...: starts the panel on the window; sets panel_job and panel_pid
    screen_run "$panel" --window "bench window" "$@" >/dev/null 2>&1 &
    panel_job=$!
    panel_pid=$(wine_process "$build" qvl_panel.exe) || return 1
    sleep 3
  }
  panel_end() { screen_run "$panel" --quit >/dev/null 2>&1; wait "$panel_job" 2>/dev/null; }

  local idle_tray idle_shown starts=() line cpu frame rate pcpu pframe prate
  if panel_run --tray; then
    idle_tray=$(idle "$panel_pid")
    for _ in 1 2 3 4 5; do
      line=$($run "$probe" "${red[@]}" | tr -d '\r')
      starts+=("$(sed -n 's/^start_ms=\([0-9]*\).*/\1/p' <<<"$line")")
      sleep 3 # past the panel's grace: the next claim starts the source anew
    done
    panel_end
  fi
  if panel_run; then
    idle_shown=$(idle "$panel_pid")
    read -r cpu frame rate < <(watched "$panel_pid")
    panel_end
  fi
  screen_run "$build/tools/qvl_producer.exe" --quiet --window "bench window" \
    --seconds $((seconds + 6)) >/dev/null 2>&1 &
  local producer_job=$! producer_pid
  if producer_pid=$(wine_process "$build" qvl_producer.exe); then
    sleep 3
    read -r pcpu pframe prate < <(watched "$producer_pid")
  fi
  wait "$producer_job" 2>/dev/null
  local sorted
  sorted=$(printf '%s\n' "${starts[@]}" | grep . | sort -n)
  echo "bench: arch=$arch case=panel size=1280x720 fps=30 idle_cpu_pct=${idle_tray:-none}" \
    "idle_shown_cpu_pct=${idle_shown:-none}" \
    "start_ms=$(sed -n 3p <<<"$sorted" | grep . || echo none)" \
    "start_max_ms=$(tail -n1 <<<"$sorted" | grep . || echo none)" \
    "frame_ms=${frame:-none} cpu_pct=${cpu:-none} rate=${rate:-none}" \
    "producer_frame_ms=${pframe:-none} producer_cpu_pct=${pcpu:-none} producer_rate=${prate:-none}"
  echo close >&8
  exec 8>&-
  screen_stop
  settings_restore
  rm -rf "$work"
}
