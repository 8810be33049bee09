// The NV12 conversion's wide paths (eight and sixteen pixels at a time) against its one-block
// path: each pixel's luma and each 2 x 2 block's chroma land where the picture has them.
#include "frame_fill.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

TEST(FillNv12, EveryPixelAndBlockLandsInItsPlace) {
    // 2 x 2 blocks of one random colour each; 46 columns: sixteen, eight and one-block paths.
    constexpr long width = 46, height = 4;
    std::mt19937 random(7);
    std::vector<std::uint8_t> frame(width * height * 4);
    for (long by = 0; by < height; by += 2) {
        for (long bx = 0; bx < width; bx += 2) {
            const std::uint8_t colour[3] = {std::uint8_t(random()), std::uint8_t(random()),
                                            std::uint8_t(random())};
            for (long i = 0; i < 4; ++i) {
                const long y = by + i / 2, x = bx + i % 2;
                std::copy(colour, colour + 3, &frame[(y * width + x) * 4]);
            }
        }
    }
    std::vector<BYTE> picture(width * height * 3 / 2);
    FillNv12(frame.data(), width, height, picture.data(), width);
    for (long by = 0; by < height; by += 2) {
        for (long bx = 0; bx < width; bx += 2) {
            SCOPED_TRACE(testing::Message() << "block at " << bx << ", " << by);
            const std::uint8_t* pixel = &frame[(by * width + bx) * 4];
            EXPECT_EQ(LumaOf(pixel[0], pixel[1], pixel[2]), picture[by * width + bx + 1]);
            EXPECT_EQ(LumaOf(pixel[0], pixel[1], pixel[2]), picture[(by + 1) * width + bx]);
            // The block alone, through the one-block path.
            std::vector<std::uint8_t> block(2 * 2 * 4);
            for (int i = 0; i < 4; ++i) {
                std::copy(pixel, pixel + 3, &block[i * 4]);
            }
            BYTE alone[6];
            FillNv12(block.data(), 2, 2, alone, 2);
            EXPECT_EQ(alone[4], picture[width * height + by / 2 * width + bx]) << "U";
            EXPECT_EQ(alone[5], picture[width * height + by / 2 * width + bx + 1]) << "V";
        }
    }
}

} // namespace
