# shellcheck shell=bash disable=SC2034
# Sourced by demo.sh: the camera fed a still picture and a video clip, both made here on the
# Linux side (ImageMagick's built-in logo, an ffmpeg test clip), through qvl_producer.
# demo_feeds BUILD SECONDS: runs the producer with --image and then with ffmpeg's raw frames on
# --stdin, captures each with qvl_capture, and leaves in BUILD/demo/ the snapshots still.png
# and video.png as the camera delivered them, video.avi, and feeds.png: the test pattern's
# snapshot (snapshot.png, if the demo made one), the still and the video side by side. Sets
# feeds_summary (three lines) and feeds_verdict (PASS or FAIL).

# feeds_capture OUT RUN CAPTURE DLL SECONDS NAME INPUT PRODUCER-ARGS...: runs the producer with
# INPUT on its standard input while qvl_capture captures for SECONDS into OUT/NAME.avi and
# OUT/NAME.bmp; prints the producer's progress line.
feeds_capture() {
  local out=$1 run=$2 capture=$3 dll=$4 seconds=$5 name=$6 input=$7
  shift 7
  "$run" "$@" <"$input" >"$out/$name-producer.log" 2>&1 &
  local producer=$!
  sleep 2
  "$run" "$capture" --seconds "$seconds" --avi "$out/$name.avi" --bmp "$out/$name.bmp" \
    --dll "$dll" >"$out/$name-capture.log" 2>&1 || true
  wait "$producer" 2>/dev/null || true
  tr -d '\r' <"$out/$name-producer.log"
}

demo_feeds() {
  local build=$1 seconds=$2
  local run=$build/winerun out=$build/demo producer=$build/tools/qvl_producer.exe
  local capture=$build/tools/qvl_capture.exe dll w=0 h=0
  feeds_verdict=FAIL feeds_summary="still and video: not run"
  mkdir -p "$out"
  dll=$("$run" winepath -w "$build/srcfilter/srcfilter.dll" | tr -d '\r')

  convert logo: "$out/still-source.png"
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=640x360:rate=25" -t $((seconds + 4)) \
    -pix_fmt yuv420p "$out/clip.mp4"

  echo "still picture: qvl_producer --image (ImageMagick's logo, 640x480)"
  feeds_capture "$out" "$run" "$capture" "$dll" 2 still /dev/null "$producer" \
    --image "$("$run" winepath -w "$out/still-source.png" | tr -d '\r')" --seconds 8
  rm -f "$out/still.avi"
  # The camera's size, as it delivered the still.
  [ -s "$out/still.bmp" ] && read -r w h < <(identify -format '%w %h\n' "$out/still.bmp")
  [ "$w" -gt 0 ] || { echo "no snapshot of the still picture; see $out/still-capture.log"; return; }

  echo "video clip: ffmpeg -f rawvideo -pix_fmt rgb24 | qvl_producer --stdin --pix-fmt rgb24"
  local fit="scale=$w:$h:force_original_aspect_ratio=decrease,pad=$w:$h:(ow-iw)/2:(oh-ih)/2"
  rm -f "$out/clip.fifo" && mkfifo "$out/clip.fifo"
  ffmpeg -v error -re -i "$out/clip.mp4" -vf "$fit" -f rawvideo -pix_fmt rgb24 -y \
    "$out/clip.fifo" &
  local decoder=$!
  feeds_capture "$out" "$run" "$capture" "$dll" "$seconds" video "$out/clip.fifo" "$producer" \
    --stdin --pix-fmt rgb24
  wait "$decoder" 2>/dev/null || true
  rm -f "$out/clip.fifo"

  # The still as delivered against ImageMagick's own fit of the source (0: the same picture);
  # the video by how many different frames the capture holds.
  local error distinct=0
  convert "$out/still.bmp" "$out/still.png"
  convert "$out/still-source.png" -resize "${w}x$h" -background black -gravity center \
    -extent "${w}x$h" "$out/still-expected.png"
  # compare's status says whether the pictures differ at all; only the figure counts here.
  error=$(compare -metric RMSE "$out/still-expected.png" "$out/still.png" null: 2>&1 |
    sed -n 's/.*(\(.*\))$/\1/p' || true)
  if [ -s "$out/video.bmp" ] && [ -s "$out/video.avi" ]; then
    convert "$out/video.bmp" "$out/video.png"
    distinct=$(ffmpeg -v error -i "$out/video.avi" -f framemd5 - | grep -v '^#' |
      awk -F, '{ print $NF }' | sort -u | wc -l || true)
  fi
  local pictures=()
  [ -s "$out/snapshot.png" ] && pictures+=("$out/snapshot.png")
  [ -s "$out/still.png" ] && pictures+=("$out/still.png")
  [ -s "$out/video.png" ] && pictures+=("$out/video.png")
  [ ${#pictures[@]} -gt 0 ] && convert "${pictures[@]}" +append "$out/feeds.png"

  feeds_verdict=PASS
  awk -v e="${error:-1}" 'BEGIN { exit !(e < 0.1) }' || feeds_verdict=FAIL
  [ "$distinct" -gt 1 ] || feeds_verdict=FAIL
  feeds_summary="still picture:      $out/still.png, RMSE ${error:-?} from the source fitted by ImageMagick
video clip:         $out/video.png; $out/video.avi holds $distinct different frames
side by side:       $out/feeds.png (test pattern, still picture, video clip)"
  echo "$feeds_summary"
}
