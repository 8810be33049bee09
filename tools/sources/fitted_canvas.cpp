#include "fitted_canvas.h"

#include "frame_source.h"

#include <cstring>

FittedCanvas::FittedCanvas(HDC compatible, int width, int height)
    : width(width), height(height), canvas(compatible) {
    if (canvas.Get() != nullptr) {
        canvas.Select(CreateTopDownDib(canvas.Get(), width, height, &pixels));
    }
    // Averaging when the size changes: text on a shrunken screen stays readable.
    SetStretchBltMode(canvas.Get(), HALFTONE);
    SetBrushOrgEx(canvas.Get(), 0, 0, nullptr);
}

void FittedCanvas::Place(const Placement& next) {
    placement = next;
    GdiFlush();
    std::memset(pixels, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    SelectClipRgn(canvas.Get(), nullptr);
    IntersectClipRect(canvas.Get(), next.x, next.y, next.x + next.width, next.y + next.height);
}

bool FittedCanvas::Draw(HDC source, int x, int y, int pictureWidth, int pictureHeight, DWORD rop) {
    if (!Ready() || pictureWidth <= 0 || pictureHeight <= 0) {
        return false;
    }
    const Placement fitted = FitCentred(static_cast<unsigned>(pictureWidth),
                                        static_cast<unsigned>(pictureHeight), width, height);
    if (fitted != placement) {
        Place(fitted);
    }
    return (fitted.width == pictureWidth && fitted.height == pictureHeight
                ? BitBlt(canvas.Get(), fitted.x, fitted.y, pictureWidth, pictureHeight, source, x,
                         y, rop)
                : StretchBlt(canvas.Get(), fitted.x, fitted.y, fitted.width, fitted.height, source,
                             x, y, pictureWidth, pictureHeight, rop)) != FALSE;
}

qvl_frame FittedCanvas::Frame() const {
    // The sender reads the pixels next: GDI's batched drawing must be done by then.
    GdiFlush();
    return DescribeFrame(pixels, static_cast<size_t>(width) * static_cast<size_t>(height) * 4,
                         width, height, QVL_BGRX);
}
