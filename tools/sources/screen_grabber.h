#pragma once
// Grabs a part of the screen (or of another device context) with GDI, straight into a frame of
// the camera's size: one BitBlt when the part has the frame's fitted size, else one StretchBlt
// that grabs and scales at once, so no picture of the source's size is kept or copied. The
// frame's device-independent bitmap is made once; the borders are blackened only when the
// fitted place changes.
#include "fitting.h"
#include "gdi_owners.h"
#include "pointer_painter.h"
#include "qvl_sender.h"

class ScreenGrabber {
public:
    ScreenGrabber(int width, int height);
    bool Ready() const { return pixels != nullptr; }
    HDC Screen() const { return screen.Get(); }

    // Grabs the screen's `area` (virtual desktop coordinates), with the pointer if asked.
    bool Grab(const RECT& area, bool pointer) {
        return GrabFrom(screen.Get(), area.left, area.top, area, pointer);
    }
    // Grabs from `source` at (x, y) a picture of the size of `area`, which is where that
    // picture lies on the screen (for the pointer).
    bool GrabFrom(HDC source, int x, int y, const RECT& area, bool pointer);
    // The latest frame: BGRX, top-down, the camera's size.
    qvl_frame Frame() const;

private:
    void Place(const Placement& next);

    int width;
    int height;
    ScreenDc screen;
    BitmapDc canvas;
    void* pixels = nullptr;
    Placement placement;
    PointerPainter painter;
};
