# shellcheck shell=bash disable=SC2034
# Sourced by shell scripts: the camera's names, read from the one header that states them
# (srcfilter/protocol/qvl_protocol.h), so that no script spells them out again.
qvl_header="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/srcfilter/protocol/qvl_protocol.h"
# The text of a #define whose value is one string literal.
qvl_string() { sed -n "s/^#define $1 \"\(.*\)\"\$/\1/p" "$qvl_header"; }
QVL_CAMERA_CLSID=$(qvl_string QVL_CAMERA_CLSID_STRING)
QVL_CAMERA_NAME=$(qvl_string QVL_CAMERA_FRIENDLY_NAME)
# The settings' registry key under HKCU, as the configuration store lays out
# QVL_SETTINGS_VENDOR, QVL_SETTINGS_APP and QVL_SETTINGS_PATH: Software\vendor\app\media\virtual.
qvl_path=$(qvl_string QVL_SETTINGS_PATH)
qvl_path=${qvl_path%/}
QVL_SETTINGS_KEY="Software\\$(qvl_string QVL_SETTINGS_VENDOR)\\$(qvl_string QVL_SETTINGS_APP)${qvl_path//\//\\}"
unset qvl_path
QVL_VENDOR=$(qvl_string QVL_SETTINGS_VENDOR)
# The three values' names and their defaults.
QVL_SETTING_WIDTH=$(qvl_string QVL_SETTING_WIDTH)
QVL_SETTING_HEIGHT=$(qvl_string QVL_SETTING_HEIGHT)
QVL_SETTING_FPS=$(qvl_string QVL_SETTING_FPS)
qvl_number() { sed -n "s/^#define $1 \([0-9][0-9]*\)\$/\1/p" "$qvl_header"; }
QVL_DEFAULT_WIDTH=$(qvl_number QVL_DEFAULT_WIDTH)
QVL_DEFAULT_HEIGHT=$(qvl_number QVL_DEFAULT_HEIGHT)
QVL_DEFAULT_FPS=$(qvl_number QVL_DEFAULT_FPS)
[ -n "$QVL_CAMERA_CLSID" ] || { echo "qvl_names.sh: no class identifier in $qvl_header" >&2; exit 1; }
# The panel's start-up value and its own key under HKCU, from tools/panel/panel_names.h.
qvl_panel_header="$(dirname "$qvl_header")/../../tools/panel/panel_names.h"
QVL_PANEL_RUN_VALUE=$(sed -n 's/^#define QVL_PANEL_RUN_VALUE "\(.*\)"$/\1/p' "$qvl_panel_header")
qvl_panel_leaf=$(sed -n 's/^#define QVL_PANEL_KEY .*"\\\\\([^"]*\)"$/\1/p' "$qvl_panel_header")
QVL_PANEL_KEY="Software\\$QVL_VENDOR\\$(qvl_string QVL_SETTINGS_APP)\\$qvl_panel_leaf"
unset qvl_panel_leaf
