#pragma once
// The producer's test picture, as a capture reads it back. Top-down as seen: a
// kBlock x kBlock marker at the top left in kMarker's colour, and below it a strip of bit
// blocks kBitWidth pixels wide holding the producer's frame counter in binary, most
// significant bit first, white for 1 (as many bits as fit, at most 32).
#include <windows.h>

#include <cstddef>

namespace testpicture {

constexpr long kBlock = 16;
constexpr long kBitWidth = 8;
constexpr unsigned kMaxBits = 32;
struct Colour {
    BYTE red, green, blue;
};
constexpr Colour kMarker = {255, 0, 128};

struct Reading {
    Colour marker = {};        // the marker block's centre pixel
    unsigned long counter = 0; // the frame counter the strip shows
};

// Reads a frame as the camera delivers it (width x height BGRX pixels, rows bottom-up); false
// when the frame is too small or shorter than its size says.
bool Read(const BYTE* frame, size_t bytes, long width, long height, Reading& reading);

inline bool IsMarker(const Colour& c) {
    return c.red == kMarker.red && c.green == kMarker.green && c.blue == kMarker.blue;
}

} // namespace testpicture
