# shellcheck shell=bash disable=SC2034
# Sourced by demo.sh: ffmpeg, a real capture program, captures from the camera.
# demo_ffmpeg BUILD SECONDS: installs the camera among the video input devices with
# qvl_register, runs the producer's test pattern and the build's ffmpeg.exe against it for
# SECONDS, uninstalls, and makes an animated GIF of what ffmpeg received (with Debian's ffmpeg)
# in BUILD/demo/. Prints ffmpeg's frame count, wall time and dropped frames, and leaves them in
# ffmpeg_summary (two lines) and ffmpeg_verdict (PASS or FAIL).

# shellcheck source=qvl_names.sh
. "$(dirname "${BASH_SOURCE[0]}")/qvl_names.sh"

demo_ffmpeg() {
  local build=$1 seconds=$2
  local run=$build/winerun out=$build/demo dll=$build/srcfilter/srcfilter.dll
  local register=$build/tools/qvl_register.exe producer=$build/tools/qvl_producer.exe ffmpeg
  ffmpeg=$(sed -n 's/^SRCFILTER_FFMPEG:FILEPATH=//p' "$build/CMakeCache.txt")
  ffmpeg_verdict=FAIL ffmpeg_summary="ffmpeg capture: not run"
  [ -f "$ffmpeg" ] || { echo "no ffmpeg.exe at '$ffmpeg'; run scripts/setup.sh"; return; }
  mkdir -p "$out"

  # As many frames as the camera's rate gives in that time (its fps setting, 25 by default).
  local fps
  fps=$("$run" reg query "HKCU\\$QVL_SETTINGS_KEY" /v fps 2>/dev/null |
    tr -d '\r' | awk '/REG_DWORD/ { print $3 }')
  fps=$((${fps:-25}))

  "$run" "$register" install --dll "$dll" || { echo "qvl_register install failed"; return; }
  "$run" "$register" status --dll "$dll" | tr -d '\r'
  "$run" "$producer" --seconds $((seconds + 4)) --quiet &
  local producer=$! start end
  sleep 1
  start=$(date +%s%N)
  local rc=0
  "$run" "$ffmpeg" -hide_banner -nostdin -rtbufsize 64M -f dshow -i "video=$QVL_CAMERA_NAME" \
    -frames:v $((seconds * fps)) -c:v copy -f rawvideo -y "$out/ffmpeg.raw" \
    2>"$out/ffmpeg.log" || rc=$?
  end=$(date +%s%N)
  wait "$producer" 2>/dev/null || true
  "$run" "$register" uninstall --dll "$dll" || true

  local messages video frames dropped wall size rate
  messages=$(tr '\r' '\n' <"$out/ffmpeg.log")
  video=$(grep -m1 -oE 'Video: rawvideo, bgr0, [0-9]+x[0-9]+, [0-9.]+ fps' <<<"$messages" || true)
  frames=$(grep -oE 'frame= *[0-9]+' <<<"$messages" | tail -1 | grep -oE '[0-9]+' || true)
  dropped=$(grep -c 'frame dropped' <<<"$messages" || true)
  wall=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 1e9 }')
  if [ "$rc" -ne 0 ] || [ -z "$video" ] || [ -z "$frames" ]; then
    echo "ffmpeg failed (exit status $rc); its log: $out/ffmpeg.log"
    ffmpeg_summary="ffmpeg capture:     failed, see $out/ffmpeg.log"
    return
  fi
  size=$(grep -oE '[0-9]+x[0-9]+' <<<"$video") rate=$(grep -oE '[0-9.]+ fps' <<<"$video")
  rate=${rate% fps}
  # The camera's frames are bottom-up; the GIF is scaled to at most 320 pixels wide.
  /usr/bin/ffmpeg -v error -y -f rawvideo -pix_fmt bgr0 -s "$size" -r "$rate" \
    -i "$out/ffmpeg.raw" -vf "vflip,scale='min(320,iw)':-2,split[a][b];[a]palettegen[p];[b][p]paletteuse" \
    -loop 0 "$out/ffmpeg.gif" || true
  rm -f "$out/ffmpeg.raw"
  echo "ffmpeg: $frames frames of $size at $rate fps in $wall s, $dropped dropped"
  ffmpeg_summary="ffmpeg capture:     $frames frames ($size, $rate fps) in $wall s wall time, $dropped dropped
animation:          $out/ffmpeg.gif"
  # Paced delivery: the frames take their time, and ffmpeg drops none.
  if [ -s "$out/ffmpeg.gif" ] && [ "$dropped" = 0 ] &&
    awk -v f="$frames" -v r="$rate" -v w="$wall" 'BEGIN { exit !(f > 1 && w >= (f - 2) / r) }'; then
    ffmpeg_verdict=PASS
  fi
}
