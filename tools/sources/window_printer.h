#pragma once
// A window's own picture of its client area, drawn by the platform even where other windows
// cover it (PrintWindow with PW_RENDERFULLCONTENT, Windows 8.1 and later). Where the platform
// draws nothing that way (Wine, older Windows, or a window that does not answer), Renders says
// so and the caller grabs the window's place on the screen instead.
#include "gdi_owners.h"

class WindowPrinter {
public:
    WindowPrinter();
    HDC Dc() const { return canvas.Get(); }

    // True if printing `window` changes its picture at all; tried once per window.
    bool Renders(HWND window, int width, int height);
    // The window's client area into Dc(), at (0, 0); the bitmap is remade only on a new size.
    bool Print(HWND window, int width, int height);

private:
    bool Prepare(int width, int height);

    BitmapDc canvas;
    void* pixels = nullptr;
    int width = 0;
    int height = 0;
};
