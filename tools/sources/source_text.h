#pragma once
// How a command line or a text box names a monitor and a region, read and written alike by the
// producer and the panel.
#include <windows.h>

#include <string>

// "X,Y,W,H" in virtual-desktop pixels, with W and H from 1 to 65536; false for anything else.
bool ParseRegionText(const wchar_t* text, RECT& region);
// The same text for `region`.
std::wstring RegionText(const RECT& region);
// A monitor number, counted from 1 (up to 64); false for anything else.
bool ParseMonitorNumber(const wchar_t* text, int& index);
