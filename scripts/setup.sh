#!/usr/bin/env bash
# Installs everything the cross build and the Wine test bed need on Debian 12, and
# builds wxBase for i686-w64-mingw32 into a cache outside the source tree.
# Idempotent: a warm machine returns in seconds.
set -euo pipefail

CACHE_DIR=${SRCFILTER_CACHE:-/var/cache/srcfilter}
WX_PREFIX="$CACHE_DIR/wx-3.2-i686"
HOST=i686-w64-mingw32

log() { printf 'setup: %s\n' "$*"; }

need_packages() {
  local pkgs=(g++-mingw-w64-i686-posix mingw-w64-i686-dev wine wine32:i386 wine64
              googletest cmake make dpkg-dev xz-utils clang-format binutils-mingw-w64-i686
              ffmpeg imagemagick)
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

# deb-src entries are derived from the machine's own deb sources so no mirror is hard-coded.
ensure_deb_src() {
  local out=/etc/apt/sources.list.d/srcfilter-deb-src.sources
  [ -f "$out" ] && return 0
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*deb.*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$out"
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/srcfilter-deb-src.list
    touch "$out"
  fi
  apt-get update -qq
}

build_wx() {
  if [ -x "$WX_PREFIX/bin/wx-config" ] && ls "$WX_PREFIX"/lib/libwx_baseu-3.2-*.a >/dev/null 2>&1; then
    log "wxBase cached at $WX_PREFIX"
    return
  fi
  ensure_deb_src
  local work="$CACHE_DIR/wx-src"
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source --download-only -qq wxwidgets3.2 && dpkg-source -x --no-check ./*.dsc src >/dev/null)
  log "building wxBase for $HOST"
  mkdir -p "$work/build"
  (cd "$work/build" &&
    CC=$HOST-gcc-posix CXX=$HOST-g++-posix ../src/configure --host=$HOST --prefix="$WX_PREFIX" \
      --disable-gui --disable-shared --with-regex=no --without-zlib --without-expat \
      --disable-sockets --disable-fswatcher --disable-protocol --disable-url --disable-fs_inet \
      >"$work/configure.log" 2>&1 &&
    make -j"$(nproc)" >"$work/make.log" 2>&1 &&
    make install >"$work/install.log" 2>&1)
  rm -rf "$work"
  log "wxBase installed at $WX_PREFIX"
}

install_packages
build_wx
