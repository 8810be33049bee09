#!/usr/bin/env bash
# Stages what a release ships, from the two builds' bundle components: STAGE/x86, STAGE/x64
# and the text for Windows users, STAGE/README.txt. The zip and the installer are both made
# from it, so whatever the bundle gains, both gain.
# Usage: stage-bundle.sh BUILD32 BUILD64 STAGE
set -euo pipefail
build32=$1 build64=$2 stage=$3
root=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$stage" && mkdir -p "$stage"
# Programs stripped of their symbol tables: a release carries no debugging data.
cmake --install "$build32" --prefix "$stage/x86" --component bundle --strip >/dev/null
cmake --install "$build64" --prefix "$stage/x64" --component bundle --strip >/dev/null
cp "$root/tools/bundle-readme.txt" "$stage/README.txt"
