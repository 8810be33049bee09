#!/usr/bin/env bash
# What the builds from Debian's source packages share: the cache they are kept in (reused
# when present; SRCFILTER_CACHE moves it), a deb-src entry derived from the machine's own deb
# sources (so no mirror is hard-coded), and the unpacking of a package.
# Sourced by setup.sh, build-ffmpeg.sh and fetch-benchmark.sh.
# shellcheck disable=SC2034 # read by the scripts that source this one
SRCFILTER_CACHE_DIR=${SRCFILTER_CACHE:-/var/cache/srcfilter}

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

# unpack_source PACKAGE WORK: a fresh WORK folder with the package's tree in WORK/src.
unpack_source() {
  local package=$1 work=$2
  ensure_deb_src
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source --download-only -qq "$package" 2>/dev/null &&
    dpkg-source -x --no-check ./*.dsc src >/dev/null)
}
