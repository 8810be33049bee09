#include "screen_grabber.h"

#include "frame_source.h"

#include <cstring>

ScreenGrabber::ScreenGrabber(int width, int height)
    : width(width), height(height), canvas(screen.Get()) {
    if (screen.Get() != nullptr && canvas.Get() != nullptr) {
        canvas.Select(CreateTopDownDib(screen.Get(), width, height, &pixels));
    }
    // Averaging when the size changes: text on a shrunken screen stays readable.
    SetStretchBltMode(canvas.Get(), HALFTONE);
    SetBrushOrgEx(canvas.Get(), 0, 0, nullptr);
}

void ScreenGrabber::Place(const Placement& next) {
    placement = next;
    GdiFlush();
    std::memset(pixels, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    // The pointer, drawn after the grab, stays inside the picture.
    SelectClipRgn(canvas.Get(), nullptr);
    IntersectClipRect(canvas.Get(), next.x, next.y, next.x + next.width, next.y + next.height);
}

bool ScreenGrabber::GrabFrom(HDC source, int x, int y, const RECT& area, bool pointer) {
    const int areaWidth = area.right - area.left;
    const int areaHeight = area.bottom - area.top;
    if (!Ready() || areaWidth <= 0 || areaHeight <= 0) {
        return false;
    }
    const Placement fitted = FitCentred(static_cast<unsigned>(areaWidth),
                                        static_cast<unsigned>(areaHeight), width, height);
    if (fitted != placement) {
        Place(fitted);
    }
    // CAPTUREBLT: layered windows are part of what the screen shows.
    const BOOL grabbed =
        fitted.width == areaWidth && fitted.height == areaHeight
            ? BitBlt(canvas.Get(), fitted.x, fitted.y, areaWidth, areaHeight, source, x, y,
                     SRCCOPY | CAPTUREBLT)
            : StretchBlt(canvas.Get(), fitted.x, fitted.y, fitted.width, fitted.height, source, x,
                         y, areaWidth, areaHeight, SRCCOPY | CAPTUREBLT);
    if (grabbed && pointer) {
        painter.Paint(canvas.Get(), area, fitted);
    }
    // The sender reads the pixels next: GDI's batched drawing must be done by then.
    GdiFlush();
    return grabbed != FALSE;
}

qvl_frame ScreenGrabber::Frame() const {
    return DescribeFrame(pixels, static_cast<size_t>(width) * static_cast<size_t>(height) * 4,
                         width, height, QVL_BGRX);
}
