#pragma once
// Draws the mouse pointer into a grabbed picture: a screen grab does not hold it. The pointer's
// shape is read once per shape, so drawing it costs no allocation per frame.
#include "fitting.h"

#include <windows.h>

class PointerPainter {
public:
    // Draws the pointer, when it shows, into `dc` where the screen's `area` was drawn at
    // `placement` (scaled as the area was).
    void Paint(HDC dc, const RECT& area, const Placement& placement);

private:
    void Learn(HCURSOR cursor);

    HCURSOR known = nullptr; // the pointer's handle as last seen
    HCURSOR drawn = nullptr; // what is drawn for it
    POINT hotspot = {0, 0};
    SIZE size = {32, 32};
};
