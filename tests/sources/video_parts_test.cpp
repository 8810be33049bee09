// The video source's own arithmetic: NV12 into BGRX under both colour matrices and ranges, the
// bilinear scaler's placement of pixels, and which pictures of a looped clip are shown against
// the clock.
#include "clip_timeline.h"
#include "nv12_converter.h"
#include "picture_scaler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

struct Yuv {
    int y, u, v;
};

// The first and the last pixel of an 18x2 NV12 picture of one colour, as BGRX: the first
// converted eight at a time, the last alone.
std::vector<int> Convert(Yuv colour, YuvMatrix matrix, bool fullRange) {
    std::vector<std::uint8_t> luma(36, std::uint8_t(colour.y));
    std::vector<std::uint8_t> chroma;
    for (int i = 0; i < 9; ++i) {
        chroma.push_back(std::uint8_t(colour.u));
        chroma.push_back(std::uint8_t(colour.v));
    }
    std::vector<std::uint8_t> out(18 * 2 * 4, 99);
    Nv12ToBgrx({luma.data(), 18, chroma.data(), 18, 18, 2}, matrix, fullRange, out.data(), 72);
    return {out[0], out[1], out[2], out[3], out[140], out[141], out[142], out[143]};
}

::testing::AssertionResult Near(const std::vector<int>& bgrx, int r, int g, int b) {
    for (size_t at : {0, 4}) {
        if (std::abs(bgrx[at + 2] - r) > 2 || std::abs(bgrx[at + 1] - g) > 2 ||
            std::abs(bgrx[at] - b) > 2 || bgrx[at + 3] != 0) {
            return ::testing::AssertionFailure() << (at == 0 ? "first: " : "last: ") << bgrx[at + 2]
                                                 << " " << bgrx[at + 1] << " " << bgrx[at];
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(Nv12ToBgrx, GivesTheColoursOfEachMatrixAndRange) {
    // Video range: black and white at 16 and 235 under either matrix.
    EXPECT_TRUE(Near(Convert({16, 128, 128}, YuvMatrix::Bt601, false), 0, 0, 0));
    EXPECT_TRUE(Near(Convert({235, 128, 128}, YuvMatrix::Bt709, false), 255, 255, 255));
    // Pure red and blue as each standard codes them.
    EXPECT_TRUE(Near(Convert({81, 90, 240}, YuvMatrix::Bt601, false), 255, 0, 0));
    EXPECT_TRUE(Near(Convert({63, 102, 240}, YuvMatrix::Bt709, false), 255, 0, 0));
    EXPECT_TRUE(Near(Convert({32, 240, 118}, YuvMatrix::Bt709, false), 0, 0, 255));
    // Full range: luma 0 to 255, BT.601's green.
    EXPECT_TRUE(Near(Convert({255, 128, 128}, YuvMatrix::Bt601, true), 255, 255, 255));
    EXPECT_TRUE(Near(Convert({150, 44, 21}, YuvMatrix::Bt601, true), 0, 255, 0));
}

TEST(PictureScaler, KeepsEdgesAndBlendsBetween) {
    // 4x1 black, black, white, white halved: each half keeps its colour.
    const std::uint8_t wide[16] = {0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0, 255, 255, 255, 0};
    std::uint8_t halved[8] = {};
    PictureScaler scaler;
    scaler.Prepare(4, 1, 2, 1);
    scaler.Scale(wide, 16, halved, 8);
    EXPECT_EQ(0, halved[0]);
    EXPECT_EQ(255, halved[4]);
    // 2x2 (black, grey / grey, black) to 4x4: the corners keep their colours; pixel (1, 1)
    // samples a quarter of the way from the top left, 200 x 2 x 3/16; rows read bottom-up with
    // a negative pitch come out flipped.
    const std::uint8_t square[16] = {0, 0, 0, 0, 200, 200, 200, 0, 200, 200, 200, 0, 0, 0, 0, 0};
    std::uint8_t big[64] = {};
    scaler.Prepare(2, 2, 4, 4);
    scaler.Scale(square, 8, big, 16);
    EXPECT_EQ(0, big[0]);
    EXPECT_EQ(200, big[12]);
    EXPECT_EQ(0, big[60]);
    EXPECT_EQ(75, big[16 + 4]);
    scaler.Scale(square + 8, -8, big, 16);
    EXPECT_EQ(200, big[0]);
}

// Plays a 25 fps clip of 50 pictures, whose timestamps start at 80 ms as H.264 with B-frames
// does, against 30 frames a second from clock time `from`; the picture shown each frame.
std::vector<int> Play(ClipTimeline& timeline, int frames, double from, int& next,
                      std::int64_t& pendingTime) {
    std::vector<int> shown;
    int showing = -1;
    for (int f = 0; f < frames; ++f) {
        const auto clock = static_cast<std::int64_t>((from + f / 30.0) * 1e7);
        while (timeline.Due(pendingTime, clock)) {
            showing = next % 50;
            if (++next % 50 == 0) {
                timeline.Looped();
            }
            pendingTime = timeline.Place(800000 + (next % 50) * 400000LL, 400000);
        }
        shown.push_back(showing);
    }
    return shown;
}

TEST(ClipTimeline, PlaysAtTheClipsOwnSpeedAndLoopsWithoutAGap) {
    ClipTimeline timeline;
    int next = 0;
    std::int64_t pendingTime = timeline.Place(800000, 400000);
    // 3 s at 30 fps: 75 pictures, each shown once or twice, in order, through the loop.
    const std::vector<int> shown = Play(timeline, 90, 100.0, next, pendingTime);
    int changes = 0;
    for (size_t f = 1; f < shown.size(); ++f) {
        if (shown[f] != shown[f - 1]) {
            ++changes;
            EXPECT_EQ((shown[f - 1] + 1) % 50, shown[f]) << "at frame " << f;
        }
    }
    EXPECT_NEAR(74, changes, 1);
    EXPECT_EQ(0, shown[0]);
    EXPECT_EQ(0, shown[60]); // the loop starts again at 2 s
    // A clock that jumped 10 s ahead (a pause) goes on from the next picture, without decoding
    // the ten seconds in between.
    const int before = next;
    const std::vector<int> resumed = Play(timeline, 2, 113.0, next, pendingTime);
    EXPECT_EQ((shown.back() + 1) % 50, resumed[0]);
    EXPECT_LE(next - before, 2);
}

} // namespace
