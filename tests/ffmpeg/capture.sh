#!/usr/bin/env bash
# ffmpeg captures from the installed camera while the producer sends its test pattern: the
# camera keeps its frame rate although ffmpeg's sink takes samples as fast as they come, so
# N frames take at least (N - 2) frame times, ffmpeg drops none, and the producer's frame
# counter read from the captured frames rises steadily. Once at the default 320x240, 25 fps,
# once at 1280x720, 30 fps, each set with qvl_register format --user (the machine's format
# stays as it is) and seen by ffmpeg's -list_options; format values the camera refuses change
# no stored byte. The settings are restored afterwards.
# Arguments: the build's Wine runner, ffmpeg.exe, qvl_register.exe, qvl_producer.exe,
# srcfilter.dll.
set -uo pipefail
runner=$1 ffmpeg=$2 register=$3 producer=$4 dll=$5
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$ffmpeg" ] || { echo "FAIL: no $ffmpeg; run scripts/setup.sh"; exit 1; }

# shellcheck source=scripts/qvl_names.sh
. "$here/../../scripts/qvl_names.sh"
settings="HKCU\\$QVL_SETTINGS_KEY"
work=$(mktemp -d)
producer_pid=

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
setting() { "$runner" reg query "$settings" /v "$1" 2>/dev/null | tr -d '\r' | awk '/REG_DWORD/ { print $3 }'; }
set_setting() { "$runner" reg add "$settings" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
declare -A saved
for name in width height fps; do saved[$name]=$(setting $name); done
cleanup() {
  [ -n "$producer_pid" ] && kill "$producer_pid" 2>/dev/null && wait "$producer_pid"
  for name in width height fps; do
    if [ -n "${saved[$name]}" ]; then
      set_setting "$name" "$((saved[$name]))"
    else
      "$runner" reg delete "$settings" /v "$name" /f >/dev/null 2>&1
    fi
  done
  "$runner" "$register" uninstall --dll "$dll" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# Captures `frames` frames at width x height, fps; checks time, drops and counters.
capture() { # width height fps frames
  local width=$1 height=$2 fps=$3 frames=$4 what="$1x$2 at $3 fps"
  "$runner" "$register" format --user "${width}x${height}@$fps" >/dev/null ||
    fail "$what: qvl_register format refused it"
  "$runner" "$ffmpeg" -hide_banner -list_options true -f dshow -i "video=$QVL_CAMERA_NAME" \
    2>&1 | tr -d '\r' >"$work/options.txt"
  grep -qE "min s=${width}x$height fps=$fps(\.[0-9]+)? " "$work/options.txt" ||
    fail "$what: -list_options shows"$'\n'"$(cat "$work/options.txt")"
  "$runner" "$producer" --seconds 0 --quiet &
  producer_pid=$!
  sleep 1
  local start end summary
  start=$(date +%s%N)
  # ffmpeg's default real-time buffer (3041280 bytes) is smaller than one 1280x720 frame; with
  # it ffmpeg drops a frame now and then at that size, as it would with any HD camera.
  summary=$(timeout 120 "$runner" "$ffmpeg" -hide_banner -nostdin -rtbufsize 64M -f dshow \
    -i "video=$QVL_CAMERA_NAME" -frames:v "$frames" -c:v copy -f rawvideo - \
    2>"$work/ffmpeg.log" |
    python3 "$here/frame_counters.py" "$width" "$height")
  end=$(date +%s%N)
  kill "$producer_pid" 2>/dev/null; wait "$producer_pid" 2>/dev/null
  producer_pid=
  tr '\r' '\n' <"$work/ffmpeg.log" >"$work/ffmpeg.txt"
  echo "$what: $summary in $(((end - start) / 1000000)) ms"

  grep -q "Video: rawvideo, bgr0, ${width}x${height}, $fps fps" "$work/ffmpeg.txt" ||
    fail "$what: ffmpeg saw $(grep -m1 'Video:' "$work/ffmpeg.txt")"
  local got rise longest backwards
  got=$(sed -E 's/.*frames=([0-9]+).*/\1/' <<<"$summary")
  rise=$(sed -E 's/.*rise=([0-9]+).*/\1/' <<<"$summary")
  longest=$(sed -E 's/.*longest_run=([0-9]+).*/\1/' <<<"$summary")
  backwards=$(sed -E 's/.*backwards=([0-9]+).*/\1/' <<<"$summary")
  [ "$got" = "$frames" ] || fail "$what: $got of $frames frames"
  local least_ns=$(((frames - 2) * 1000000000 / fps))
  [ $((end - start)) -ge $least_ns ] ||
    fail "$what: $frames frames in $(((end - start) / 1000000)) ms, less than $((least_ns / 1000000)) ms"
  local dropped
  dropped=$(grep -c 'frame dropped' "$work/ffmpeg.txt")
  [ "$dropped" = 0 ] || fail "$what: ffmpeg dropped $dropped frames"
  # The producer draws at the camera's rate: each picture is met about once. Runs of a few
  # allow for a producer that was late now and then.
  [ "$backwards" = 0 ] || fail "$what: the counter went backwards $backwards times"
  [ "$longest" -le 4 ] || fail "$what: one picture $longest times in a row"
  [ "$rise" -ge $((frames / 2)) ] || fail "$what: the counter rose by $rise over $frames frames"
}

# Each value the camera would refuse: a message, a non-zero status, the stored bytes as they were.
refused_formats() {
  "$runner" reg export "$settings" "$(winepath_of "$work/before.reg")" /y >/dev/null 2>&1
  local value
  for value in 0x0@25 640x0@25 8193x4096@30 640x480@0 640x480@10000001 hd720 640x480@30fps \
    -640x480@30 1280x720@; do
    "$runner" "$register" format "$value" >"$work/format.txt" 2>&1 &&
      fail "format $value was taken"
    grep -q "nothing changed" "$work/format.txt" || fail "format $value: $(cat "$work/format.txt")"
    "$runner" reg export "$settings" "$(winepath_of "$work/after.reg")" /y >/dev/null 2>&1
    cmp -s "$work/before.reg" "$work/after.reg" || fail "format $value changed the settings"
  done
}
winepath_of() { "$runner" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

"$runner" "$register" install --dll "$dll" >/dev/null || { echo "FAIL: install failed"; exit 1; }
capture 320 240 25 75
capture 1280 720 30 60
refused_formats

[ $failures -eq 0 ] && echo "ffmpeg capture ok"
exit $((failures > 0))
