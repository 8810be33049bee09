#!/usr/bin/env bash
# End-to-end demonstration: builds everything, then for each bitness this host can show
# registers the camera in that build's own Wine prefix, runs the producer and a capture client
# against it, and checks with ffmpeg what was captured. The x86-64 camera is shown on every
# host; the i686 one too where the host runs 32-bit code natively (emulated it is too slow
# for a real-time demo).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${DEMO_SECONDS:-4}
. "$root/scripts/host.sh"
. "$root/scripts/demo-ffmpeg.sh"
. "$root/scripts/demo-feeds.sh"
. "$root/scripts/demo-screen.sh"
. "$root/scripts/demo-panel.sh"

log() { printf '\n== %s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

log "set-up"
"$root/scripts/setup.sh"

# Decided once Wine is installed: its 32-bit loader tells whether 32-bit code runs here.
presets=(win64)
[ "$(i686_mode)" = native ] && presets+=(win32)

cd "$root"
for preset in "${presets[@]}"; do
  log "configure and build $preset"
  cmake --preset "$preset" >/dev/null || fail "configuring $preset failed"
  cmake --build --preset "$preset" || fail "building $preset failed; see the compiler's messages above"
done

# The camera's class identifier, from the protocol header.
# shellcheck source=scripts/qvl_names.sh
. "$root/scripts/qvl_names.sh"
clsid=$QVL_CAMERA_CLSID

# Registers, produces, captures and checks one bitness; prints its summary and sets verdict.
demo_preset() {
  local preset=$1 build=$root/build/$1
  local out=$build/demo run=$build/winerun
  export WINEPREFIX=$build/wineprefix
  local dll=$build/srcfilter/srcfilter.dll producer=$build/tools/qvl_producer.exe
  local capture=$build/tools/qvl_capture.exe
  for f in "$dll" "$producer" "$capture"; do [ -f "$f" ] || fail "missing $f"; done

  log "$preset: Wine prefix $WINEPREFIX"
  "$run" cmd /c exit 0
  rm -rf "$out" && mkdir -p "$out"
  dll_win=$("$run" winepath -w "$dll" | tr -d '\r')

  log "$preset: registration"
  "$run" regsvr32 /s "$dll_win" >"$out/regsvr32.log" 2>&1 || fail "$preset: regsvr32 failed"
  "$run" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" >/dev/null 2>&1 ||
    fail "$preset: the class key is missing after regsvr32"
  registered=$preset
  echo "registered $dll_win"

  log "$preset: producer and capture"
  "$run" "$producer" --seconds $((seconds + 4)) >"$out/producer.log" 2>&1 &
  producer_pid=$!
  sleep 2
  local capture_rc=0
  "$run" "$capture" --seconds "$seconds" --avi "$out/capture.avi" --bmp "$out/snapshot.bmp" |
    tee "$out/capture.log" || capture_rc=$?
  wait "$producer_pid" || true
  producer_pid=
  cat "$out/producer.log"

  log "$preset: what was captured"
  [ -s "$out/capture.avi" ] || fail "$preset: no AVI was written"
  probe=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=nw=1 \
    "$out/capture.avi")
  echo "$probe"
  width=$(field width); frames=$(field nb_read_frames)
  local first last first_marker last_marker first_counter last_counter
  first=$(picture first "$out/capture.log")
  last=$(picture last "$out/capture.log")
  first_marker=${first%,*} last_marker=${last%,*}
  first_counter=${first#*,} last_counter=${last#*,}
  convert "$out/snapshot.bmp" "$out/snapshot.png"

  log "$preset: unregistration"
  "$run" regsvr32 /u /s "$dll_win" && registered= && echo "unregistered"

  log "$preset: ffmpeg as a capture program"
  demo_ffmpeg "$build" "$seconds"

  log "$preset: a still picture and a video clip through the producer"
  demo_feeds "$build" "$seconds"

  log "$preset: a window captured through the camera"
  demo_screen "$build" "$seconds"

  log "$preset: the camera panel showing a window"
  demo_panel "$build" "$seconds"
  wineserver -k 2>/dev/null || true

  verdict=PASS
  [ "$capture_rc" -eq 0 ] || verdict=FAIL
  [ "$first_marker" = "255 0 128" ] || verdict=FAIL
  [ "$last_marker" = "255 0 128" ] || verdict=FAIL
  [ "${last_counter:-0}" -gt "${first_counter:-0}" ] || verdict=FAIL
  [ "$ffmpeg_verdict" = PASS ] || verdict=FAIL
  [ "$feeds_verdict" = PASS ] || verdict=FAIL
  [ "$screen_verdict" = PASS ] || verdict=FAIL
  [ "$panel_verdict" = PASS ] || verdict=FAIL
  summaries+=("$(cat <<SUMMARY
[$preset] camera:   $dll
capture client:     $(grep -E '^(camera found|frames received|measured rate|stamp checks)' "$out/capture.log" | tr -s ' ' | paste -sd ';' -)
AVI:                $out/capture.avi: ${frames} frames, ${width}x$(field height), rate $(field r_frame_rate)
marker pixel:       first frame ($first_marker), last frame = the AVI's last and the BMP snapshot ($last_marker); producer drew (255 0 128)
producer counter:   ${first_counter} in the first captured frame, ${last_counter} in the last (as qvl_capture read them)
snapshot:           $out/snapshot.png
$ffmpeg_summary
$feeds_summary
$screen_summary
$panel_summary
result:             $verdict
SUMMARY
)")
  [ "$verdict" = PASS ] || status=1
}

field() { sed -n "s/^$1=//p" <<<"$probe"; }
# What the producer's test picture showed in the first or the last frame qvl_capture saved, as
# it read them itself ("picture last: marker R G B, counter N"): "R G B,N", or nothing.
# The log is the Windows program's own output, with CRLF line ends.
picture() {
  tr -d '\r' <"$2" |
    sed -n "s/^picture $1: *marker \([0-9]* [0-9]* [0-9]*\), counter \([0-9]*\)\$/\1,\2/p"
}

cleanup() {
  [ -n "${producer_pid:-}" ] && kill "$producer_pid" 2>/dev/null || true
  if [ -n "${registered:-}" ]; then
    "$root/build/$registered/winerun" regsvr32 /u /s "$dll_win" >/dev/null 2>&1 || true
  fi
  for preset in "${presets[@]}"; do
    WINEPREFIX=$root/build/$preset/wineprefix wineserver -k 2>/dev/null || true
  done
}
trap cleanup EXIT

status=0
summaries=()
for preset in "${presets[@]}"; do demo_preset "$preset"; done

log "summary"
if [ "$(i686_mode)" = native ]; then
  echo "shown: the x86-64 camera (64-bit Wine) and the i686 camera (32-bit Wine, native)"
else
  echo "shown: the x86-64 camera (64-bit Wine); this host refuses 32-bit code, so the i686"
  echo "       camera is checked by the test suite under emulation, not shown here"
fi
printf '%s\n\n' "${summaries[@]}"
exit $status
