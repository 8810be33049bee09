#!/usr/bin/env bash
# Builds both targets and makes the release bundle build/srcfilter-<version>-windows.zip and,
# beside it, the installer build/srcfilter-<version>-setup.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >/dev/null
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target srcfilter qvl_producer qvl_capture qvl_register qvl_sender \
    qvl_sender_dll qvl_show_picture qvl_panel
done
zip=$(./scripts/make-bundle.sh build/win32 build/win64 build)
echo "bundle: $zip ($(stat -c %s "$zip") bytes)"
setup=$(./scripts/make-installer.sh build/win32 build/win64 build)
echo "installer: $setup ($(stat -c %s "$setup") bytes)"
