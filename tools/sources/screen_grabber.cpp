#include "screen_grabber.h"

ScreenGrabber::ScreenGrabber(int width, int height) : canvas(screen.Get(), width, height) {}

bool ScreenGrabber::GrabFrom(HDC source, int x, int y, const RECT& area, bool pointer) {
    if (!Ready()) {
        return false;
    }
    // CAPTUREBLT: layered windows are part of what the screen shows.
    const bool grabbed = canvas.Draw(source, x, y, area.right - area.left, area.bottom - area.top,
                                     SRCCOPY | CAPTUREBLT);
    if (grabbed && pointer) {
        painter.Paint(canvas.Dc(), area, canvas.Placed());
    }
    return grabbed;
}
