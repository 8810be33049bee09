#pragma once
// A frame of the camera's size that pictures of any size are drawn into, fitted (fitting.h):
// one BitBlt when the picture has the fitted size, else one StretchBlt that scales it, averaging.
// The frame's device-independent bitmap is made once; the borders are blackened only when the
// fitted place changes.
#include "fitting.h"
#include "gdi_owners.h"
#include "qvl_sender.h"

class FittedCanvas {
public:
    // A memory context of `compatible`'s kind (null: the screen's).
    FittedCanvas(HDC compatible, int width, int height);
    bool Ready() const { return pixels != nullptr; }
    HDC Dc() const { return canvas.Get(); }
    // Where the latest picture lies in the frame.
    const Placement& Placed() const { return placement; }

    // Draws the `pictureWidth` x `pictureHeight` picture at (x, y) of `source`, fitted; drawing
    // after it (the pointer) stays inside the picture's place.
    bool Draw(HDC source, int x, int y, int pictureWidth, int pictureHeight, DWORD rop = SRCCOPY);
    // The latest frame: BGRX, top-down, the camera's size. GDI's batched drawing is done first.
    qvl_frame Frame() const;

private:
    void Place(const Placement& next);

    int width;
    int height;
    BitmapDc canvas;
    void* pixels = nullptr;
    Placement placement;
};
