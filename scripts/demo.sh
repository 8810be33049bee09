#!/usr/bin/env bash
# End-to-end demonstration: builds everything, registers the camera in the build's own Wine
# prefix, runs the producer and a capture client against it, and checks with ffmpeg what
# was captured. Falls back to loading the unregistered DLL if registration fails.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win32
out=$build/demo
seconds=${DEMO_SECONDS:-4}
export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

log() { printf '\n== %s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

log "set-up"
"$root/scripts/setup.sh"

log "configure and build"
cd "$root"
cmake --preset win32 >/dev/null
if ! cmake --build --preset win32; then
  # Someone else's unfinished part must not stop the demo of the finished ones.
  echo "demo: full build failed; building only what the demo needs"
  cmake --build --preset win32 --target srcfilter qvl_producer qvl_capture
fi
dll=$build/srcfilter/srcfilter.dll
producer=$build/tools/qvl_producer.exe
capture=$build/tools/qvl_capture.exe
for f in "$dll" "$producer" "$capture"; do [ -f "$f" ] || fail "missing $f"; done

log "Wine prefix $WINEPREFIX"
"$root/scripts/wine-run.sh" "$WINEPREFIX" cmd /c exit 0
rm -rf "$out" && mkdir -p "$out"

cleanup() {
  [ -n "${producer_pid:-}" ] && kill "$producer_pid" 2>/dev/null || true
  if [ "${registered:-no}" = yes ]; then wine regsvr32 /u /s "$dll_win" >/dev/null 2>&1 || true; fi
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

log "registration"
dll_win=$(winepath -w "$dll")
clsid='{D7A2CE2F-8221-4B80-B086-B795D9C845F6}'
mode="registered"
capture_args=()
if wine regsvr32 /s "$dll_win" >"$out/regsvr32.log" 2>&1 &&
   wine reg query "HKCR\\CLSID\\$clsid\\InprocServer32" >/dev/null 2>&1; then
  registered=yes
  echo "registered $dll_win"
else
  mode="unregistered (DLL loaded by path)"
  capture_args=(--dll "$dll_win" --unregistered)
  echo "registration failed; capturing from the unregistered DLL"
fi

log "producer and capture"
wine "$producer" --seconds $((seconds + 4)) >"$out/producer.log" 2>&1 &
producer_pid=$!
sleep 2
capture_rc=0
wine "$capture" --seconds "$seconds" --avi "$out/capture.avi" --bmp "$out/snapshot.bmp" \
  "${capture_args[@]}" | tee "$out/capture.log" || capture_rc=$?
wait "$producer_pid" || true
producer_pid=
cat "$out/producer.log"

log "what was captured"
[ -s "$out/capture.avi" ] || fail "no AVI was written"
probe=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=nw=1 \
  "$out/capture.avi")
echo "$probe"
field() { sed -n "s/^$1=//p" <<<"$probe"; }
width=$(field width); height=$(field height); frames=$(field nb_read_frames)

# One decoded frame as top-down RGB: the producer's marker block sits at the top left, its
# binary frame counter in the strip below (bit blocks 8 pixels wide at y 16..23, white = 1).
pixel() { od -An -tu1 -j $(( ($3 * width + $2) * 3 )) -N3 "$1" | xargs; }
counter() {
  local value=0 b
  for b in $(seq 0 31); do
    value=$(( value * 2 + ( $(pixel "$1" $((b * 8 + 4)) 20 | cut -d' ' -f1) > 128 ? 1 : 0 ) ))
  done
  echo "$value"
}
decode() {
  ffmpeg -v error -y -i "$out/capture.avi" -vf "select=eq(n\\,$1)" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 "$2"
}
decode 0 "$out/first.rgb"
decode $((frames - 1)) "$out/last.rgb"
avi_marker=$(pixel "$out/last.rgb" 8 8)
first_counter=$(counter "$out/first.rgb")
last_counter=$(counter "$out/last.rgb")
convert "$out/snapshot.bmp" "$out/snapshot.png"
bmp_marker=$(convert "$out/snapshot.bmp" -format '%[fx:int(255*p{8,8}.r)] %[fx:int(255*p{8,8}.g)] %[fx:int(255*p{8,8}.b)]' info:)

if [ "${registered:-no}" = yes ]; then
  log "unregistration"
  wine regsvr32 /u /s "$dll_win" && registered=no && echo "unregistered"
fi
wineserver -k 2>/dev/null || true

verdict=PASS
[ "$capture_rc" -eq 0 ] || verdict=FAIL
[ "$avi_marker" = "255 0 128" ] || verdict=FAIL
[ "$bmp_marker" = "255 0 128" ] || verdict=FAIL
[ "$last_counter" -gt "$first_counter" ] || verdict=FAIL
log "summary"
cat <<SUMMARY
camera mode:        $mode
capture client:     $(grep -E '^(frames received|measured rate|stamp checks)' "$out/capture.log" | tr -s ' ' | paste -sd ';' -)
AVI:                $out/capture.avi: ${frames} frames, ${width}x${height}, rate $(field r_frame_rate)
marker pixel:       AVI last frame ($avi_marker), BMP snapshot ($bmp_marker); producer drew (255 0 128)
producer counter:   ${first_counter} in the first captured frame, ${last_counter} in the last
snapshot:           $out/snapshot.png
result:             $verdict
SUMMARY
[ "$verdict" = PASS ]
