#pragma once
// The animated test picture, top-down as seen: a 16x16 marker block at the top left in a
// fixed colour (R 255, G 0, B 128) that captures can check, a strip of 32 blocks showing the
// frame counter in binary (white = 1), and eight colour bars that move left by four pixels per
// frame.
#include "frame_source.h"

#include <cstdint>
#include <vector>

class PatternSource : public FrameSource {
public:
    PatternSource(int width, int height);
    SourceStatus Next(unsigned long n, qvl_frame& frame) override;

private:
    void Block(long x0, long y0, long w, long h, const std::uint8_t bgr[3]);

    long width;
    long height;
    std::vector<std::uint8_t> picture; // BGRX, top-down
};
