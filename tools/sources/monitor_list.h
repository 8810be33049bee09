#pragma once
// The monitors, in the platform's order: a fixed table, so that following them costs nothing.
#include <windows.h>

struct MonitorList {
    static const int most = 16;
    HMONITOR monitors[most] = {};
    RECT areas[most] = {};                   // virtual desktop coordinates
    WCHAR devices[most][CCHDEVICENAME] = {}; // \\.\DISPLAY1
    int count = 0;
    int primary = 0;
};

MonitorList EnumerateMonitors();
