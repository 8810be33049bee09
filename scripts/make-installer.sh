#!/usr/bin/env bash
# Makes the Windows installer from the same staging as the release zip:
# OUTDIR/srcfilter-<version>-setup.exe. Prints its path.
# Usage: make-installer.sh BUILD32 BUILD64 OUTDIR [VERSION [PATH=FILE...]]
# VERSION defaults to the project's; each PATH=FILE ships FILE as PATH (x86/... or x64/...)
# too, or instead of the staged one (the tests make an older version with a file the current
# one no longer ships, and one whose x86 module cannot be registered).
set -euo pipefail
build32=$1 build64=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
version=${4:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build64/CMakeCache.txt")}
extra=("${@:5}")
# shellcheck source=scripts/qvl_names.sh
. "$root/scripts/qvl_names.sh"
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
"$root/scripts/stage-bundle.sh" "$build32" "$build64" "$stage"
for f in "${extra[@]}"; do cp "${f#*=}" "$stage/${f%%=*}"; done

# What the uninstaller (and a failed install's rollback) removes: exactly what was staged,
# files first, then the folders from the deepest up. One macro per bitness's folder, so that
# an uninstall that could not unregister one bitness removes the other's, and one for all.
delete_lines() { sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'; }
remove_files() { # folder: the Delete and RMDir lines for what the staging holds there
  (cd "$stage" && find "$1" -type f | sort | delete_lines)
  (cd "$stage" && find "$1" -mindepth 1 -type d | sort -r | sed 's|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|')
}
{
  for bits in x64 x86; do
    echo "!macro QVL_REMOVE_FILES_${bits^^}"
    remove_files "$bits"
    echo "  RMDir \"\$INSTDIR\\$bits\""
    echo '!macroend'
  done
  echo '!macro QVL_REMOVE_FILES'
  echo '  !insertmacro QVL_REMOVE_FILES_X64'
  echo '  !insertmacro QVL_REMOVE_FILES_X86'
  (cd "$stage" && find . -maxdepth 1 -type f | sort | delete_lines)
  echo '!macroend'
} >"$work/files.nsh"

setup=$out/srcfilter-$version-setup.exe
makensis -V2 -NOCD "-DVERSION=$version" "-DSTAGE=$stage" "-DFILES=$work/files.nsh" \
  "-DOUTFILE=$setup" "-DPUBLISHER=$QVL_VENDOR" "-DCAMERA=$QVL_CAMERA_NAME" \
  "-DSETTINGS_KEY=$QVL_SETTINGS_KEY" "-DSETTING_WIDTH=$QVL_SETTING_WIDTH" \
  "-DSETTING_HEIGHT=$QVL_SETTING_HEIGHT" "-DSETTING_FPS=$QVL_SETTING_FPS" \
  "-DDEFAULT_WIDTH=$QVL_DEFAULT_WIDTH" "-DDEFAULT_HEIGHT=$QVL_DEFAULT_HEIGHT" \
  "-DDEFAULT_FPS=$QVL_DEFAULT_FPS" "-DPANEL_EXE=$QVL_PANEL_EXE" \
  "-DPANEL_RUN_VALUE=$QVL_PANEL_RUN_VALUE" \
  "$root/tools/installer/srcfilter.nsi" >&2
echo "$setup"
