#pragma once
// The panel window's private messages, for the panel itself and for a second start of it.
#include <windows.h>

// From the engine: its status changed.
constexpr UINT panelStatusMessage = WM_APP + 1;
// From the notification-area icon (version 4: the event in LOWORD(lParam)).
constexpr UINT panelTrayMessage = WM_APP + 2;
// From qvl_panel --quit: exit now.
constexpr UINT panelQuitMessage = WM_APP + 3;
// WM_COPYDATA tag of a second start's command line, handed to the running panel.
constexpr ULONG_PTR panelHandOverTag = 0x514C5650; // "PVLQ"
