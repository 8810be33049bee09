#pragma once
// Fills a locked picture buffer from a frame in the Global channel's layout (B G R X, rows
// top-down as Media Foundation stores pictures, no gap between rows): RGB32 as a copy, NV12
// (BT.601, studio range, 7-bit coefficients so that SSSE3 takes eight pixels at a time) converted
// on the way, in one pass. `first` is the picture's top row in the buffer and `pitch` the step to
// the next row (Lock2D's answers).
#include <windows.h>

#include <cstdint>

void FillRgb32(const std::uint8_t* frame, long width, long height, BYTE* first, LONG pitch);
// Even width and height only; the chroma plane follows the luma plane's `height` rows.
void FillNv12(const std::uint8_t* frame, long width, long height, BYTE* first, LONG pitch);
// A black picture, for a camera without a channel.
void FillBlackRgb32(long width, long height, BYTE* first, LONG pitch);
void FillBlackNv12(long width, long height, BYTE* first, LONG pitch);

// The luma a pixel of the channel's layout becomes in FillNv12.
inline std::uint8_t LumaOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return static_cast<std::uint8_t>(((33 * red + 64 * green + 13 * blue + 64) >> 7) + 16);
}
