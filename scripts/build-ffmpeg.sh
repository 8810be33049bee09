#!/usr/bin/env bash
# Cross-builds a minimal ffmpeg.exe per Windows triple from Debian's ffmpeg source package:
# the DirectShow input and just enough to write what it captures (raw video, AVI, images)
# to a file or a pipe. The tests and the demo use it as a real capture program.
# Cached in $SRCFILTER_CACHE/ffmpeg-5.1-<arch> (default cache /var/cache/srcfilter) and
# reused when present. Sourced by setup.sh; also runs alone: build-ffmpeg.sh [TRIPLE...]
set -euo pipefail

# shellcheck source=source-packages.sh
. "$(dirname "${BASH_SOURCE[0]}")/source-packages.sh"

# Components beyond the DirectShow input: copying frames needs no filter or encoder, the
# rest lets a capture be written as raw frames, AVI or images, or thrown away.
# shellcheck disable=SC2054 # the commas are ffmpeg's lists
FFMPEG_COMPONENTS=(--enable-indev=dshow
                   --enable-encoder=rawvideo --enable-decoder=rawvideo
                   --enable-muxer=rawvideo,avi,image2,null
                   --enable-protocol=file,pipe
                   --enable-filter=null,format,vflip)

ffmpeg_prefix() { echo "$SRCFILTER_CACHE_DIR/ffmpeg-5.1-${1%%-*}"; }

build_ffmpeg() {
  local host=$1
  local prefix
  prefix=$(ffmpeg_prefix "$host")
  if [ -x "$prefix/bin/ffmpeg.exe" ]; then
    echo "build-ffmpeg: ffmpeg for $host cached at $prefix"
    return
  fi
  local work="$SRCFILTER_CACHE_DIR/ffmpeg-src-$host"
  unpack_source ffmpeg "$work"
  echo "build-ffmpeg: building ffmpeg for $host"
  mkdir -p "$work/build"
  # Threads are autodetected, so --disable-autodetect needs them back explicitly; -static
  # leaves an executable that imports only system DLLs.
  (cd "$work/build" &&
    ../src/configure --enable-cross-compile --target-os=mingw32 --arch="${host%%-*}" \
      --cross-prefix="$host-" --cc="$host-gcc-posix" --cxx="$host-g++-posix" \
      --pkg-config=false --extra-ldflags=-static \
      --disable-everything --disable-autodetect --disable-network --disable-doc \
      --disable-debug --disable-ffprobe --disable-ffplay --enable-w32threads \
      "${FFMPEG_COMPONENTS[@]}" >"$work/configure.log" 2>&1 &&
    make -j"$(nproc)" ffmpeg.exe >"$work/make.log" 2>&1) || {
    echo "build-ffmpeg: build for $host failed; logs in $work" >&2
    return 1
  }
  mkdir -p "$prefix/bin"
  # Installed last, so a cache with ffmpeg.exe is always a finished one.
  cp "$work/build/ffmpeg.exe" "$prefix/bin/ffmpeg.exe.part"
  mv "$prefix/bin/ffmpeg.exe.part" "$prefix/bin/ffmpeg.exe"
  rm -rf "$work"
  echo "build-ffmpeg: ffmpeg installed at $prefix"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  [ $# -gt 0 ] || set -- i686-w64-mingw32 x86_64-w64-mingw32
  for t in "$@"; do build_ffmpeg "$t"; done
fi
