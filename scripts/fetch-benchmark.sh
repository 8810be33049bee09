#!/usr/bin/env bash
# Unpacks Debian's benchmark source package (Google Benchmark 1.7) into the cache, where
# cmake/benchmark.cmake builds it for the target with the fill benchmark. Reused when present.
# Sourced by setup.sh; also runs alone.
set -euo pipefail

# shellcheck source=source-packages.sh
. "$(dirname "${BASH_SOURCE[0]}")/source-packages.sh"

fetch_benchmark() {
  local dest="$SRCFILTER_CACHE_DIR/benchmark-src"
  if [ -f "$dest/CMakeLists.txt" ]; then
    echo "fetch-benchmark: source cached at $dest"
    return
  fi
  local work="$SRCFILTER_CACHE_DIR/benchmark-fetch"
  unpack_source benchmark "$work"
  # Moved in whole, so a cache with CMakeLists.txt is always a complete one.
  rm -rf "$dest"
  mv "$work/src" "$dest"
  rm -rf "$work"
  echo "fetch-benchmark: source unpacked at $dest"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  fetch_benchmark
fi
