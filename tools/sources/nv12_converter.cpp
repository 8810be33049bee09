#include "nv12_converter.h"

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

std::uint8_t Clamp(int value) {
    value >>= 16;
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

} // namespace

void Nv12ToBgrx(const Nv12Picture& picture, YuvMatrix matrix, bool fullRange, std::uint8_t* out,
                std::ptrdiff_t outPitch) {
    const Factors f = FactorsOf(matrix, fullRange);
    const int black = fullRange ? 0 : 16;
    const int half = 1 << 15; // rounds to nearest
    for (int row = 0; row < picture.height; ++row) {
        const std::uint8_t* y = picture.luma + row * picture.lumaPitch;
        const std::uint8_t* uv = picture.chroma + (row / 2) * picture.chromaPitch;
        std::uint8_t* bgrx = out + row * outPitch;
        for (int x = 0; x < picture.width; ++x, bgrx += 4) {
            const int u = uv[(x / 2) * 2] - 128;
            const int v = uv[(x / 2) * 2 + 1] - 128;
            const int luma = (y[x] - black) * f.y + half;
            bgrx[0] = Clamp(luma + f.bu * u);
            bgrx[1] = Clamp(luma - f.gu * u - f.gv * v);
            bgrx[2] = Clamp(luma + f.rv * v);
            bgrx[3] = 0;
        }
    }
}
