#include "frame_fill.h"

#include <cstring>

namespace {

const std::uint8_t* PictureRow(const std::uint8_t* frame, long width, long height, long y) {
    return frame + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width) * 4;
}

// Chroma of the sum of four pixels' components.
inline std::uint8_t ChromaU(int b, int g, int r) {
    return static_cast<std::uint8_t>(((-38 * r - 74 * g + 112 * b + 512) >> 10) + 128);
}
inline std::uint8_t ChromaV(int b, int g, int r) {
    return static_cast<std::uint8_t>(((112 * r - 94 * g - 18 * b + 512) >> 10) + 128);
}

// Two picture rows into two luma rows and one chroma row.
void Nv12Rows(const std::uint8_t* top, const std::uint8_t* bottom, long width, BYTE* lumaTop,
              BYTE* lumaBottom, BYTE* chroma) {
    for (long x = 0; x < width; x += 2) {
        const std::uint8_t* a = top + x * 4;
        const std::uint8_t* b = bottom + x * 4;
        lumaTop[x] = LumaOf(a[0], a[1], a[2]);
        lumaTop[x + 1] = LumaOf(a[4], a[5], a[6]);
        lumaBottom[x] = LumaOf(b[0], b[1], b[2]);
        lumaBottom[x + 1] = LumaOf(b[4], b[5], b[6]);
        const int blue = a[0] + a[4] + b[0] + b[4];
        const int green = a[1] + a[5] + b[1] + b[5];
        const int red = a[2] + a[6] + b[2] + b[6];
        chroma[x] = ChromaU(blue, green, red);
        chroma[x + 1] = ChromaV(blue, green, red);
    }
}

} // namespace

void FillRgb32(const std::uint8_t* frame, long width, long height, BYTE* first, LONG pitch) {
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (long y = 0; y < height; ++y) {
        std::memcpy(first + static_cast<ptrdiff_t>(y) * pitch, PictureRow(frame, width, height, y),
                    rowBytes);
    }
}

void FillNv12(const std::uint8_t* frame, long width, long height, BYTE* first, LONG pitch) {
    BYTE* const chroma = first + static_cast<ptrdiff_t>(height) * pitch;
    for (long y = 0; y + 1 < height; y += 2) {
        Nv12Rows(PictureRow(frame, width, height, y), PictureRow(frame, width, height, y + 1),
                 width, first + static_cast<ptrdiff_t>(y) * pitch,
                 first + static_cast<ptrdiff_t>(y + 1) * pitch,
                 chroma + static_cast<ptrdiff_t>(y / 2) * pitch);
    }
}

void FillBlackRgb32(long width, long height, BYTE* first, LONG pitch) {
    for (long y = 0; y < height; ++y) {
        std::memset(first + static_cast<ptrdiff_t>(y) * pitch, 0, static_cast<size_t>(width) * 4);
    }
}

void FillBlackNv12(long width, long height, BYTE* first, LONG pitch) {
    for (long y = 0; y < height; ++y) {
        std::memset(first + static_cast<ptrdiff_t>(y) * pitch, LumaOf(0, 0, 0),
                    static_cast<size_t>(width));
    }
    BYTE* const chroma = first + static_cast<ptrdiff_t>(height) * pitch;
    for (long y = 0; y < height / 2; ++y) {
        std::memset(chroma + static_cast<ptrdiff_t>(y) * pitch, 128, static_cast<size_t>(width));
    }
}
