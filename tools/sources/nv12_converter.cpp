#include "nv12_converter.h"

#include <cstring>

namespace {

// The matrix's factors in 16.16 fixed point, for luma and for the chroma's distance from 128.
struct Factors {
    int y, rv, gu, gv, bu;
};

Factors FactorsOf(YuvMatrix matrix, bool fullRange) {
    const auto fixed = [](double value) { return static_cast<int>(value * 65536.0 + 0.5); };
    // Video range stretches 219 steps of luma and 224 of chroma to 255.
    const double ys = fullRange ? 1.0 : 255.0 / 219.0;
    const double cs = fullRange ? 1.0 : 255.0 / 224.0;
    // Kr and Kb of the two standards.
    const double kr = matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
    const double kb = matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
    const double kg = 1.0 - kr - kb;
    return {fixed(ys), fixed(2.0 * (1.0 - kr) * cs), fixed(2.0 * (1.0 - kb) * kb / kg * cs),
            fixed(2.0 * (1.0 - kr) * kr / kg * cs), fixed(2.0 * (1.0 - kb) * cs)};
}

int Clamp(int value) {
    value >>= 16;
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

// One pixel, from its luma term and the chroma terms it shares with its neighbours.
void Put(std::uint8_t* bgrx, int luma, int red, int green, int blue) {
    const std::uint32_t pixel = static_cast<std::uint32_t>(Clamp(luma + blue)) |
                                static_cast<std::uint32_t>(Clamp(luma - green)) << 8 |
                                static_cast<std::uint32_t>(Clamp(luma + red)) << 16;
    std::memcpy(bgrx, &pixel, 4);
}

} // namespace

void Nv12ToBgrx(const Nv12Picture& picture, YuvMatrix matrix, bool fullRange, std::uint8_t* out,
                std::ptrdiff_t outPitch) {
    const Factors f = FactorsOf(matrix, fullRange);
    // The luma term with its offset and the rounding folded in.
    const int base = (1 << 15) - (fullRange ? 0 : 16) * f.y;
    for (int row = 0; row < picture.height; ++row) {
        const std::uint8_t* y = picture.luma + row * picture.lumaPitch;
        const std::uint8_t* uv = picture.chroma + (row / 2) * picture.chromaPitch;
        std::uint8_t* bgrx = out + row * outPitch;
        // Two pixels share one U, V pair.
        for (int x = 0; x < picture.width; x += 2) {
            const int u = uv[x] - 128;
            const int v = uv[x + 1] - 128;
            const int red = f.rv * v;
            const int green = f.gu * u + f.gv * v;
            const int blue = f.bu * u;
            Put(bgrx + x * 4, base + y[x] * f.y, red, green, blue);
            if (x + 1 < picture.width) {
                Put(bgrx + x * 4 + 4, base + y[x + 1] * f.y, red, green, blue);
            }
        }
    }
}
