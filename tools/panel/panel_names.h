/* The camera panel's names that others need too: the installer removes its start-up value, and
 * the panel keeps its choices under a key of its own beside the camera's settings. */
#ifndef QVL_PANEL_NAMES_H
#define QVL_PANEL_NAMES_H

#include "qvl_protocol.h"

/* The panel's program, as installed beside the other tools. */
#define QVL_PANEL_EXE "qvl_panel.exe"
/* The per-user value under HKCU\Software\Microsoft\Windows\CurrentVersion\Run that starts the
 * panel with Windows (hidden, in the notification area). */
#define QVL_PANEL_RUN_VALUE "Quovalent_01 panel"
/* The panel's own choices, per user: HKCU\QVL_PANEL_KEY. */
#define QVL_PANEL_KEY "Software\\" QVL_SETTINGS_VENDOR "\\" QVL_SETTINGS_APP "\\panel"

#endif
