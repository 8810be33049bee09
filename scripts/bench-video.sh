# shellcheck shell=bash
# Sourced by bench.sh: the producer's video source. H.264 clips made here with ffmpeg (640x360
# and 1920x1080, 30 fps) played into the camera at 640x480 and 1280x720, 30 fps. From the
# producer's own progress line: decoding, converting and fitting a frame (decode_ms), its whole
# work a frame (frame_ms), its processor use (cpu_pct, Wine's decoder threads included) and the
# frames a second it wrote (rate).
# bench_video BUILD ARCH: prints one "bench:" line per clip and camera size.

bench_video() {
  local build=$1 arch=$2 seconds=${VIDEO_BENCH_SECONDS:-6}
  # shellcheck source=scripts/qvl_names.sh
  . "$(dirname "${BASH_SOURCE[0]}")/qvl_names.sh"
  # shellcheck source=scripts/screen-session.sh
  . "$(dirname "${BASH_SOURCE[0]}")/screen-session.sh"
  # shellcheck source=scripts/camera-settings.sh
  . "$(dirname "${BASH_SOURCE[0]}")/camera-settings.sh"
  local run="env -u DISPLAY $build/winerun" work
  work=$(mktemp -d)
  settings_hold "$build" "$work" 640 480 30
  local clip size w h line secs rate decode frame cpu
  for clip in 640x360 1920x1080; do
    ffmpeg -v error -y -f lavfi -i "testsrc2=s=$clip:r=30:d=4" -c:v libx264 -pix_fmt yuv420p \
      "$work/$clip.mp4"
  done
  for clip in 640x360 1920x1080; do
    for size in 640x480 1280x720; do
      w=${size%x*} h=${size#*x}
      settings_store "$w" "$h" 30
      line=$($run "$build/tools/qvl_producer.exe" --video "Z:${work//\//\\}\\$clip.mp4" \
        --seconds "$seconds" 2>&1 | tr -d '\r' | grep 'frames sent' | tail -n1) || true
      # "... N frames sent in T s (R fps), ...; grab G ms, frame F ms, cpu C%"
      read -r secs rate decode frame cpu < <(sed -E -n 's/.* in ([0-9.]+) s \(([0-9.]+) fps\).*grab ([0-9.]+) ms, frame ([0-9.]+) ms, cpu ([0-9]+)%.*/\1 \2 \3 \4 \5/p' <<<"$line") || true
      if [ -z "${cpu:-}" ]; then
        echo "bench: arch=$arch case=video clip=$clip size=$size failed: $line"
        continue
      fi
      echo "bench: arch=$arch case=video clip=$clip size=$size fps=30 decode_ms=$decode frame_ms=$frame cpu_pct=$cpu rate=$rate"
    done
  done
  settings_restore
  rm -rf "$work"
}
