#include "picture_scaler.h"

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
}

void PictureScaler::Scale(const std::uint8_t* source, std::ptrdiff_t sourcePitch, std::uint8_t* out,
                          std::ptrdiff_t pitch) const {
    // A picture one pixel wide or high repeats its only pixel.
    const std::ptrdiff_t nextColumn = sourceWidth > 1 ? 4 : 0;
    const std::ptrdiff_t nextRow = sourceHeight > 1 ? sourcePitch : 0;
    for (size_t y = 0; y < rows.size(); ++y) {
        const Tap& row = rows[y];
        const std::uint8_t* above = source + row.first * sourcePitch;
        std::uint8_t* pixel = out + static_cast<std::ptrdiff_t>(y) * pitch;
        for (const Tap& column : columns) {
            const std::uint8_t* a = above + column.first * 4;
            const std::uint8_t* b = a + nextRow;
            for (int channel = 0; channel < 3; ++channel) {
                const int top =
                    a[channel] * 256 + (a[channel + nextColumn] - a[channel]) * column.weight;
                const int bottom =
                    b[channel] * 256 + (b[channel + nextColumn] - b[channel]) * column.weight;
                pixel[channel] = static_cast<std::uint8_t>(
                    (top * 256 + (bottom - top) * row.weight + 32768) >> 16);
            }
            pixel[3] = 0;
            pixel += 4;
        }
    }
}
