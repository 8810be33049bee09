#pragma once
// Scales 32-bit BGRX pictures from one size to another, bilinear, in integer arithmetic: each
// output row blends two source rows, then each output pixel two pixels of that blend. The tables
// of which source pixels and weights make each output pixel, and the blended row, are made when
// the sizes change, so scaling itself allocates nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

class PictureScaler {
public:
    // From `sourceWidth` x `sourceHeight` to `width` x `height`.
    void Prepare(int sourceWidth, int sourceHeight, int width, int height);
    // Rows `sourcePitch` bytes apart (negative: bottom-up), into rows `pitch` bytes apart.
    void Scale(const std::uint8_t* source, std::ptrdiff_t sourcePitch, std::uint8_t* out,
               std::ptrdiff_t pitch);

private:
    struct Tap {
        int first;  // the nearer pixel before the sample point (the next one is first + 1)
        int weight; // of the next pixel, 0 to 256
    };
    static void Taps(int sourceSize, int size, std::vector<Tap>& taps);

    int sourceWidth = 0;
    int sourceHeight = 0;
    std::vector<Tap> columns;
    std::vector<Tap> rows;
    std::vector<std::uint8_t> blend; // two source rows mixed, and a spare last pixel
};
