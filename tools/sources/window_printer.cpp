#include "window_printer.h"

#include <cstdint>

#ifndef PW_RENDERFULLCONTENT
#define PW_RENDERFULLCONTENT 0x00000002
#endif

// A memory context of the screen's kind, as the grab's own is.
WindowPrinter::WindowPrinter() : canvas(nullptr) {}

bool WindowPrinter::Prepare(int w, int h) {
    if (w != width || h != height || pixels == nullptr) {
        canvas.Select(CreateTopDownDib(canvas.Get(), w, h, &pixels));
        width = pixels != nullptr ? w : 0;
        height = pixels != nullptr ? h : 0;
    }
    return pixels != nullptr;
}

bool WindowPrinter::Print(HWND window, int w, int h) {
    return Prepare(w, h) &&
           PrintWindow(window, canvas.Get(), PW_CLIENTONLY | PW_RENDERFULLCONTENT) != FALSE;
}

bool WindowPrinter::Renders(HWND window, int w, int h) {
    if (w <= 0 || h <= 0 || !Prepare(w, h)) {
        return false;
    }
    // A pattern no window shows; success with the pattern intact means nothing was drawn.
    auto* words = static_cast<std::uint32_t*>(pixels);
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    for (size_t i = 0; i < count; ++i) {
        words[i] = i % 2 != 0 ? 0x00A55AA5u : 0x005AA55Au;
    }
    if (!PrintWindow(window, canvas.Get(), PW_CLIENTONLY | PW_RENDERFULLCONTENT)) {
        return false;
    }
    GdiFlush();
    for (size_t i = 0; i < count; ++i) {
        if ((words[i] & 0x00FFFFFFu) != (i % 2 != 0 ? 0x00A55AA5u : 0x005AA55Au)) {
            return true;
        }
    }
    return false;
}
