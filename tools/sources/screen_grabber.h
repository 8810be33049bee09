#pragma once
// Grabs a part of the screen (or of another device context) with GDI, straight into a frame of
// the camera's size, fitted: no picture of the source's size is kept or copied.
#include "fitted_canvas.h"
#include "gdi_owners.h"
#include "pointer_painter.h"
#include "qvl_sender.h"

class ScreenGrabber {
public:
    ScreenGrabber(int width, int height);
    bool Ready() const { return screen.Get() != nullptr && canvas.Ready(); }
    HDC Screen() const { return screen.Get(); }

    // Grabs the screen's `area` (virtual desktop coordinates), with the pointer if asked.
    bool Grab(const RECT& area, bool pointer) {
        return GrabFrom(screen.Get(), area.left, area.top, area, pointer);
    }
    // Grabs from `source` at (x, y) a picture of the size of `area`, which is where that
    // picture lies on the screen (for the pointer).
    bool GrabFrom(HDC source, int x, int y, const RECT& area, bool pointer);
    // The latest frame: BGRX, top-down, the camera's size.
    qvl_frame Frame() const { return canvas.Frame(); }

private:
    ScreenDc screen;
    FittedCanvas canvas;
    PointerPainter painter;
};
