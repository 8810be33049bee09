#include "pattern_source.h"

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
    const long block = 16;
    const std::uint8_t marker[3] = {128, 0, 255};
    const std::uint8_t one[3] = {255, 255, 255};
    const std::uint8_t zero[3] = {32, 32, 32};
    if (width >= block && height >= 2 * block) {
        Block(0, 0, block, block, marker);
        const long bits = width / 8 < 32 ? width / 8 : 32;
        for (long b = 0; b < bits; ++b) {
            const bool set = ((n >> (bits - 1 - b)) & 1u) != 0;
            Block(b * 8, block, 8, 8, set ? one : zero);
        }
    }
    frame = DescribeFrame(picture.data(), picture.size(), static_cast<int>(width),
                          static_cast<int>(height), QVL_BGRX);
    return SourceStatus::Frame;
}
