#!/usr/bin/env bash
# Unpacks Debian's benchmark source package (Google Benchmark 1.7) into the cache, where
# cmake/benchmark.cmake builds it for the target with the fill benchmark. Reused when present.
# Sourced by setup.sh; also runs alone.
set -euo pipefail

BENCHMARK_CACHE_DIR=${SRCFILTER_CACHE:-/var/cache/srcfilter}

# setup.sh defines ensure_deb_src; run alone, the deb-src entry must already be there.
if ! declare -F ensure_deb_src >/dev/null; then
  ensure_deb_src() {
    [ -f /etc/apt/sources.list.d/srcfilter-deb-src.sources ] && return 0
    echo "fetch-benchmark: no deb-src entry; run scripts/setup.sh" >&2
    return 1
  }
fi

fetch_benchmark() {
  local dest="$BENCHMARK_CACHE_DIR/benchmark-src"
  if [ -f "$dest/CMakeLists.txt" ]; then
    echo "fetch-benchmark: source cached at $dest"
    return
  fi
  ensure_deb_src
  local work="$BENCHMARK_CACHE_DIR/benchmark-fetch"
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source --download-only -qq benchmark 2>/dev/null &&
    dpkg-source -x --no-check ./*.dsc src >/dev/null)
  # Moved in whole, so a cache with CMakeLists.txt is always a complete one.
  rm -rf "$dest"
  mv "$work/src" "$dest"
  rm -rf "$work"
  echo "fetch-benchmark: source unpacked at $dest"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  fetch_benchmark
fi
