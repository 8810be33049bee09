#pragma once
// Raw frames of the camera's size on standard input, top row first, in one layout (as
// `ffmpeg -f rawvideo -pix_fmt rgb24 -` writes them), until the input ends.
#include "frame_source.h"

#include <cstdint>
#include <vector>

class StdinSource : public FrameSource {
public:
    StdinSource(int width, int height, qvl_pixel_layout layout);
    SourceStatus Next(unsigned long n, qvl_frame& frame) override;

private:
    int width;
    int height;
    qvl_pixel_layout layout;
    std::vector<std::uint8_t> buffer;
};
