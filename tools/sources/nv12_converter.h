#pragma once
// Decoded video's NV12 pictures (a plane of luma, then one of interleaved U and V at half the
// size each way) into 32-bit BGRX, the layout the camera sends. Integer arithmetic, no
// allocation: called once per frame.
#include <cstddef>
#include <cstdint>

// The colour matrix a clip was made with: BT.601 for standard definition, BT.709 for high.
enum class YuvMatrix { Bt601, Bt709 };

struct Nv12Picture {
    const std::uint8_t* luma;
    std::ptrdiff_t lumaPitch;
    const std::uint8_t* chroma; // U, V, U, V...
    std::ptrdiff_t chromaPitch;
    int width;
    int height;
};

// `fullRange`: luma and chroma use 0-255 rather than video's 16-235 and 16-240.
void Nv12ToBgrx(const Nv12Picture& picture, YuvMatrix matrix, bool fullRange, std::uint8_t* out,
                std::ptrdiff_t outPitch);
