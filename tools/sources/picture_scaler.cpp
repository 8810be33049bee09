#include "picture_scaler.h"

#include <cstring>

void PictureScaler::Taps(int sourceSize, int size, std::vector<Tap>& taps) {
    taps.resize(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i) {
        // Pixel centres line up: output pixel i samples the source at (i + 0.5) * ratio - 0.5,
        // in 1/256ths of a pixel, kept inside the picture.
        const long long at = ((2LL * i + 1) * sourceSize * 256 / size - 256) / 2;
        const long long last = static_cast<long long>(sourceSize - 1) * 256;
        const long long clamped = at < 0 ? 0 : at > last ? last : at;
        Tap& tap = taps[static_cast<size_t>(i)];
        tap.first = static_cast<int>(clamped / 256);
        tap.weight = static_cast<int>(clamped % 256);
        // The last pixel has no neighbour after it: it is taken whole.
        if (tap.first == sourceSize - 1) {
            tap.first = sourceSize > 1 ? sourceSize - 2 : 0;
            tap.weight = sourceSize > 1 ? 256 : 0;
        }
    }
}

void PictureScaler::Prepare(int fromWidth, int fromHeight, int width, int height) {
    sourceWidth = fromWidth;
    sourceHeight = fromHeight;
    Taps(fromWidth, width, columns);
    Taps(fromHeight, height, rows);
    blend.resize((static_cast<size_t>(fromWidth) + 1) * 4);
}

namespace {

// `a` and `b` mixed, `weight` 256ths of `b`: two channels at a time, each product in a 16-bit
// lane of its own. The fourth byte comes out 0.
std::uint32_t Mix(std::uint32_t a, std::uint32_t b, std::uint32_t weight) {
    const std::uint32_t keep = 256 - weight;
    const std::uint32_t blueRed =
        (((a & 0x00FF00FFu) * keep + (b & 0x00FF00FFu) * weight) >> 8) & 0x00FF00FFu;
    const std::uint32_t green =
        ((((a >> 8) & 0xFFu) * keep + ((b >> 8) & 0xFFu) * weight)) & 0x0000FF00u;
    return blueRed | green;
}

} // namespace

void PictureScaler::Scale(const std::uint8_t* source, std::ptrdiff_t sourcePitch, std::uint8_t* out,
                          std::ptrdiff_t pitch) {
    // A picture one pixel high blends its only row with itself; one pixel wide, the blend's
    // spare last pixel repeats it.
    const std::ptrdiff_t nextRow = sourceHeight > 1 ? sourcePitch : 0;
    for (size_t y = 0; y < rows.size(); ++y) {
        const Tap& row = rows[y];
        const std::uint8_t* above = source + row.first * sourcePitch;
        const std::uint8_t* below = above + nextRow;
        // Byte by byte in 16-bit arithmetic, which the compiler turns into vector instructions.
        const auto weight = static_cast<std::uint16_t>(row.weight);
        const auto keep = static_cast<std::uint16_t>(256 - row.weight);
        const size_t bytes = static_cast<size_t>(sourceWidth) * 4;
        std::uint8_t* mixed = blend.data();
        for (size_t i = 0; i < bytes; ++i) {
            mixed[i] = static_cast<std::uint8_t>(
                static_cast<std::uint16_t>(above[i] * keep + below[i] * weight) >> 8);
        }
        std::memcpy(mixed + bytes, mixed + bytes - 4, 4);
        std::uint8_t* pixel = out + static_cast<std::ptrdiff_t>(y) * pitch;
        for (const Tap& column : columns) {
            const size_t at = static_cast<size_t>(column.first);
            std::uint32_t left;
            std::uint32_t right;
            std::memcpy(&left, blend.data() + at * 4, 4);
            std::memcpy(&right, blend.data() + at * 4 + 4, 4);
            const std::uint32_t value = Mix(left, right, static_cast<std::uint32_t>(column.weight));
            std::memcpy(pixel, &value, 4);
            pixel += 4;
        }
    }
}
