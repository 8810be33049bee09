#pragma once
// A still picture (BMP, PNG, JPEG, anything the platform's imaging component reads), scaled to
// fit the camera's size with its aspect ratio kept and black borders around it.
#include "frame_source.h"

#include <cstdint>
#include <string>
#include <vector>

class ImageSource : public FrameSource {
public:
    ImageSource(int width, int height);
    // Decodes and fits the picture; false, with the reason in `why`, if it cannot.
    bool Load(const std::wstring& path, std::wstring* why);
    SourceStatus Next(unsigned long n, qvl_frame& frame) override;

private:
    int width;
    int height;
    std::vector<std::uint8_t> picture; // BGRX, top-down
};
