#include "pointer_painter.h"

void PointerPainter::Learn(HCURSOR cursor) {
    known = cursor;
    drawn = cursor;
    ICONINFO info = {};
    if (!GetIconInfo(cursor, &info)) {
        // Under Wine another program's pointer cannot be read or drawn here: the standard
        // arrow stands in for it.
        drawn = LoadCursor(nullptr, IDC_ARROW);
        if (!GetIconInfo(drawn, &info)) {
            drawn = nullptr;
            return;
        }
    }
    hotspot = {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
    BITMAP mask = {};
    if (GetObject(info.hbmMask, sizeof(mask), &mask) != 0) {
        // A monochrome pointer keeps its AND and XOR masks one above the other.
        size = {mask.bmWidth, info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2};
    }
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }
    DeleteObject(info.hbmMask);
}

void PointerPainter::Paint(HDC dc, const RECT& area, const Placement& placement) {
    CURSORINFO pointer = {};
    pointer.cbSize = sizeof(pointer);
    if (!GetCursorInfo(&pointer) || !(pointer.flags & CURSOR_SHOWING) ||
        pointer.hCursor == nullptr) {
        return;
    }
    if (pointer.hCursor != known) {
        Learn(pointer.hCursor);
    }
    if (drawn == nullptr) {
        return;
    }
    const int areaWidth = area.right - area.left;
    const int areaHeight = area.bottom - area.top;
    const int left = pointer.ptScreenPos.x - hotspot.x;
    const int top = pointer.ptScreenPos.y - hotspot.y;
    if (areaWidth <= 0 || areaHeight <= 0 || left >= area.right || top >= area.bottom ||
        left + size.cx <= area.left || top + size.cy <= area.top) {
        return;
    }
    DrawIconEx(dc, placement.x + MulDiv(left - area.left, placement.width, areaWidth),
               placement.y + MulDiv(top - area.top, placement.height, areaHeight), drawn,
               MulDiv(size.cx, placement.width, areaWidth),
               MulDiv(size.cy, placement.height, areaHeight), 0, nullptr, DI_NORMAL);
}
