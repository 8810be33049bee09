/* The camera panel's names that others need too: the installer removes its start-up value, and
 * the panel keeps its choices under a key of its own beside the camera's settings. */
#ifndef QVL_PANEL_NAMES_H
#define QVL_PANEL_NAMES_H

/* The panel's resource script takes its window class from here; it cannot read the protocol. */
#ifndef RC_INVOKED
#include "qvl_protocol.h"
#endif

/* The panel's program, as installed beside the other tools. */
#define QVL_PANEL_EXE "qvl_panel.exe"
/* The per-user value under HKCU\Software\Microsoft\Windows\CurrentVersion\Run that starts the
 * panel with Windows (hidden, in the notification area). */
#define QVL_PANEL_RUN_VALUE "Quovalent_01 panel"
/* The panel's own choices, per user: HKCU\QVL_PANEL_KEY. */
#define QVL_PANEL_KEY "Software\\" QVL_SETTINGS_VENDOR "\\" QVL_SETTINGS_APP "\\panel"
/* The class of the panel's window: a second start, --quit and tests find the panel by it
 * (widen it with L"" QVL_PANEL_WINDOW_CLASS). */
#define QVL_PANEL_WINDOW_CLASS "Quovalent_01 panel window"

#endif
