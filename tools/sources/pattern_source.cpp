#include "pattern_source.h"

#include "test_picture.h"

PatternSource::PatternSource(int width, int height)
    : width(width), height(height),
      picture(static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {}

void PatternSource::Block(long x0, long y0, long w, long h, const std::uint8_t bgr[3]) {
    for (long y = y0; y < y0 + h; ++y) {
        std::uint8_t* p = picture.data() + (static_cast<size_t>(y) * width + x0) * 4;
        for (long x = 0; x < w; ++x, p += 4) {
            p[0] = bgr[0];
            p[1] = bgr[1];
            p[2] = bgr[2];
            p[3] = 0;
        }
    }
}

SourceStatus PatternSource::Next(unsigned long n, qvl_frame& frame) {
    static const std::uint8_t bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0},
                                            {0, 255, 0},     {255, 0, 255}, {0, 0, 255},
                                            {255, 0, 0},     {0, 0, 0}};
    const long barWidth = width / 8 > 0 ? width / 8 : 1;
    const long shift = static_cast<long>((n * 4) % static_cast<unsigned long>(barWidth * 8));
    for (long x = 0; x < width; ++x) {
        Block(x, 0, 1, height, bars[((x + shift) / barWidth) % 8]);
    }
    // The marker and the counter strip, laid out as captures read them back.
    using namespace testpicture;
    const std::uint8_t marker[3] = {kMarker.blue, kMarker.green, kMarker.red};
    const std::uint8_t one[3] = {255, 255, 255};
    const std::uint8_t zero[3] = {32, 32, 32};
    const long stripRows = 8;
    if (width >= kBlock && height >= 2 * kBlock) {
        Block(0, 0, kBlock, kBlock, marker);
        const long bits = width / kBitWidth < long{kMaxBits} ? width / kBitWidth : long{kMaxBits};
        for (long b = 0; b < bits; ++b) {
            const bool set = ((n >> (bits - 1 - b)) & 1u) != 0;
            Block(b * kBitWidth, kBlock, kBitWidth, stripRows, set ? one : zero);
        }
    }
    frame = DescribeFrame(picture.data(), picture.size(), static_cast<int>(width),
                          static_cast<int>(height), QVL_BGRX);
    return SourceStatus::Frame;
}
