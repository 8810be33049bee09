#pragma once
// The animated test picture, top-down as seen: a marker block at the top left in a fixed colour
// that captures can check, a strip of blocks showing the frame counter in binary (white = 1),
// both as tools/common/test_picture.h lays them out, over eight colour bars that move left by
// four pixels per frame.
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
