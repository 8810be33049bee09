#include "test_picture.h"

namespace testpicture {

namespace {
// The pixel at (x, y), y counted from the top, of a bottom-up BGRX frame.
Colour PixelAt(const BYTE* frame, long width, long height, long x, long y) {
    const BYTE* p = frame + (static_cast<size_t>(height - 1 - y) * width + x) * 4;
    return {p[2], p[1], p[0]};
}
} // namespace

bool Read(const BYTE* frame, size_t bytes, long width, long height, Reading& reading) {
    if (frame == nullptr || width < kBlock || height < 2 * kBlock ||
        bytes < static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        return false;
    }
    reading.marker = PixelAt(frame, width, height, kBlock / 2, kBlock / 2);
    const long fit = width / kBitWidth;
    const long bits = fit < static_cast<long>(kMaxBits) ? fit : static_cast<long>(kMaxBits);
    reading.counter = 0;
    for (long b = 0; b < bits; ++b) {
        const Colour c =
            PixelAt(frame, width, height, b * kBitWidth + kBitWidth / 2, kBlock + kBitWidth / 2);
        reading.counter = (reading.counter << 1) | (c.red > 128 ? 1u : 0u);
    }
    return true;
}

} // namespace testpicture
