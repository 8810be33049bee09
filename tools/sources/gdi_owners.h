#pragma once
// Owners of the GDI objects the screen sources keep for their whole life: the screen's device
// context, a memory device context, and a bitmap selected into it.
#include <windows.h>

// The whole screen's device context (the virtual desktop), released with the owner.
class ScreenDc {
public:
    ScreenDc() : dc(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc != nullptr) {
            ReleaseDC(nullptr, dc);
        }
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return dc; }

private:
    HDC dc;
};

// A memory device context with one bitmap selected into it at a time; the bitmap is taken out
// and deleted before the context goes.
class BitmapDc {
public:
    explicit BitmapDc(HDC compatible) : dc(CreateCompatibleDC(compatible)) {}
    ~BitmapDc() {
        Select(nullptr);
        if (dc != nullptr) {
            DeleteDC(dc);
        }
    }
    BitmapDc(const BitmapDc&) = delete;
    BitmapDc& operator=(const BitmapDc&) = delete;

    HDC Get() const { return dc; }
    // Puts `next` (owned from now on; null: none) in place of the current bitmap, deleting it.
    void Select(HBITMAP next) {
        if (bitmap != nullptr) {
            SelectObject(dc, original);
            DeleteObject(bitmap);
        }
        bitmap = next;
        if (next != nullptr) {
            original = SelectObject(dc, next);
        }
    }

private:
    HDC dc;
    HBITMAP bitmap = nullptr;
    HGDIOBJ original = nullptr;
};

// A 32-bit top-down DIB section of the given size; `bits` receives its pixels (null on failure).
inline HBITMAP CreateTopDownDib(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}
