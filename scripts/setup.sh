#!/usr/bin/env bash
# Installs everything the cross builds and the Wine test bed need on Debian 12, and
# builds wxBase for both Windows triples into a cache outside the source tree.
# Idempotent: a warm machine returns in seconds.
set -euo pipefail

TRIPLES=(i686-w64-mingw32 x86_64-w64-mingw32)

log() { printf 'setup: %s\n' "$*"; }
# shellcheck source=host.sh
. "$(dirname "$0")/host.sh"
# shellcheck source=source-packages.sh
. "$(dirname "$0")/source-packages.sh"

need_packages() {
  local pkgs=(g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
              g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
              wine wine32:i386 wine64 googletest cmake make dpkg-dev xz-utils clang-format
              ffmpeg imagemagick nasm nsis xvfb xauth
              # Wine's Media Foundation decodes video files through GStreamer, per bitness.
              gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
              gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
              gstreamer1.0-libav:i386)
  local missing=()
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  printf '%s\n' "${missing[@]}"
}

install_packages() {
  local missing
  missing=$(need_packages)
  [ -z "$missing" ] && { log "packages present"; return; }
  log "installing: $(echo $missing)"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

# The stanza for a suite is derived from the machine's own deb sources, so no mirror is
# hard-coded.
ensure_suite() {
  local suite=$1 out=/etc/apt/sources.list.d/srcfilter-$1.sources
  [ -f "$out" ] && return 0
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    awk -v s="$suite" 'BEGIN{RS="";ORS="\n\n"} /Types:.*deb/ && !/security/ {
        sub(/Suites:[^\n]*/, "Suites: " s); print; exit }' \
      /etc/apt/sources.list.d/debian.sources >"$out"
  else
    grep -E '^deb ' /etc/apt/sources.list | grep -v security | head -1 |
      awk -v s="$suite" '{ $3 = s; print }' >/etc/apt/sources.list.d/srcfilter-$suite.list
    touch "$out"
  fi
  apt-get update -qq
}

# Only where the host refuses 32-bit code: a QEMU fast enough to run 32-bit Wine.
install_emulator() {
  [ "$(i686_mode)" = emulated ] || return 0
  if emulator_ready; then
    log "qemu-i386 present"
    return
  fi
  log "installing qemu-user from $QEMU_SUITE"
  # Not fatal: without it the tests run the x86-64 suite and say that the i686 one was skipped.
  if ! { ensure_suite "$QEMU_SUITE" &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      -t "$QEMU_SUITE" qemu-user; }; then
    log "WARNING: could not install qemu-user from $QEMU_SUITE; i686 programs cannot run here"
  fi
}

# One wxBase per triple, in wx-3.2-<arch> (the triple's first field).
build_wx() {
  local host=$1
  local prefix="$SRCFILTER_CACHE_DIR/wx-3.2-${host%%-*}"
  if [ -x "$prefix/bin/wx-config" ] && ls "$prefix"/lib/libwx_baseu-3.2-*.a >/dev/null 2>&1; then
    log "wxBase for $host cached at $prefix"
    return
  fi
  local work="$SRCFILTER_CACHE_DIR/wx-src-$host"
  unpack_source wxwidgets3.2 "$work"
  log "building wxBase for $host"
  mkdir -p "$work/build"
  (cd "$work/build" &&
    CC=$host-gcc-posix CXX=$host-g++-posix ../src/configure --host=$host --prefix="$prefix" \
      --disable-gui --disable-shared --with-regex=no --without-zlib --without-expat \
      --disable-sockets --disable-fswatcher --disable-protocol --disable-url --disable-fs_inet \
      >"$work/configure.log" 2>&1 &&
    make -j"$(nproc)" >"$work/make.log" 2>&1 &&
    make install >"$work/install.log" 2>&1)
  rm -rf "$work"
  log "wxBase installed at $prefix"
}

install_packages
install_emulator
# ffmpeg for the targets, a real capture program for the tests and the demo.
# shellcheck source=build-ffmpeg.sh
. "$(dirname "$0")/build-ffmpeg.sh"
for t in "${TRIPLES[@]}"; do build_wx "$t"; build_ffmpeg "$t"; done
# Google Benchmark's source, built with the fill benchmark for each target.
# shellcheck source=fetch-benchmark.sh
. "$(dirname "$0")/fetch-benchmark.sh"
fetch_benchmark
