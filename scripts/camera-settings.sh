# shellcheck shell=bash
# Sourced, after screen-session.sh (win_path) and qvl_names.sh: the camera's per-user format
# in BUILD's prefix, set for a test whatever the prefix held, and the prefix's own put back.
#
# settings_hold BUILD WORK WIDTH HEIGHT FPS: saves the settings into the folder WORK (which
#   must outlive settings_restore), clears them and stores the format.
# settings_store WIDTH HEIGHT FPS: after a hold, stores another format (a benchmark's sizes).
# settings_restore: clears the settings and puts the saved ones back; nothing before a hold.

settings_reg() { env -u DISPLAY "$settings_build/winerun" reg "$@" >/dev/null 2>&1; }

settings_hold() {
  settings_build=$1 settings_saved=$2/settings.reg
  settings_key="HKCU\\$QVL_SETTINGS_KEY"
  settings_reg export "$settings_key" "$(win_path "$settings_saved")" /y || settings_saved=
  settings_reg delete "$settings_key" /f
  settings_store "$3" "$4" "$5"
}

settings_store() {
  settings_reg add "$settings_key" /v "$QVL_SETTING_WIDTH" /t REG_DWORD /d "$1" /f
  settings_reg add "$settings_key" /v "$QVL_SETTING_HEIGHT" /t REG_DWORD /d "$2" /f
  settings_reg add "$settings_key" /v "$QVL_SETTING_FPS" /t REG_DWORD /d "$3" /f
}

settings_restore() {
  [ -n "${settings_key:-}" ] || return 0
  settings_reg delete "$settings_key" /f
  [ -n "$settings_saved" ] && settings_reg import "$(win_path "$settings_saved")"
}
