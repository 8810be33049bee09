#include "nv12_converter.h"

#include <emmintrin.h>

#include <cstring>

namespace {

// The matrix's factors for luma and for the chroma's distance from 128.
struct Factors {
    double y, rv, gu, gv, bu;
};

Factors FactorsOf(YuvMatrix matrix, bool fullRange) {
    // Video range stretches 219 steps of luma and 224 of chroma to 255.
    const double ys = fullRange ? 1.0 : 255.0 / 219.0;
    const double cs = fullRange ? 1.0 : 255.0 / 224.0;
    // Kr and Kb of the two standards.
    const double kr = matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
    const double kb = matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
    const double kg = 1.0 - kr - kb;
    return {ys, 2.0 * (1.0 - kr) * cs, 2.0 * (1.0 - kb) * kb / kg * cs,
            2.0 * (1.0 - kr) * kr / kg * cs, 2.0 * (1.0 - kb) * cs};
}

short Fixed13(double value) {
    return static_cast<short>(value * 8192.0 + 0.5);
}

// Eight pixels at a time in 16-bit lanes: inputs scaled by 64, factors by 8192, so that the
// high half of each product holds the result scaled by 8; packing clamps it to 0-255. SSE2 is
// part of every processor Windows 8 and later run on.
__attribute__((target("sse2"))) int ConvertEights(const std::uint8_t* y, const std::uint8_t* uv,
                                                  std::uint8_t* bgrx, int width, int black,
                                                  const Factors& f) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i blackLevel = _mm_set1_epi16(static_cast<short>(black));
    const __m128i middle = _mm_set1_epi16(128);
    const __m128i round = _mm_set1_epi16(4);
    const __m128i low = _mm_set1_epi32(0xFFFF);
    const __m128i fy = _mm_set1_epi16(Fixed13(f.y));
    const __m128i frv = _mm_set1_epi16(Fixed13(f.rv));
    const __m128i fgu = _mm_set1_epi16(Fixed13(f.gu));
    const __m128i fgv = _mm_set1_epi16(Fixed13(f.gv));
    const __m128i fbu = _mm_set1_epi16(Fixed13(f.bu));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i luma =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + x)), zero);
        luma = _mm_slli_epi16(_mm_sub_epi16(luma, blackLevel), 6);
        __m128i chroma =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(uv + x)), zero);
        chroma = _mm_slli_epi16(_mm_sub_epi16(chroma, middle), 6); // U V U V ...
        // Each U and V for the two pixels that share it.
        const __m128i u = _mm_and_si128(chroma, low);
        const __m128i v = _mm_srli_epi32(chroma, 16);
        const __m128i us = _mm_or_si128(u, _mm_slli_epi32(u, 16));
        const __m128i vs = _mm_or_si128(v, _mm_slli_epi32(v, 16));
        const __m128i l = _mm_mulhi_epi16(luma, fy);
        const __m128i r = _mm_add_epi16(l, _mm_mulhi_epi16(vs, frv));
        const __m128i g =
            _mm_sub_epi16(_mm_sub_epi16(l, _mm_mulhi_epi16(us, fgu)), _mm_mulhi_epi16(vs, fgv));
        const __m128i b = _mm_add_epi16(l, _mm_mulhi_epi16(us, fbu));
        const __m128i r8 = _mm_packus_epi16(_mm_srai_epi16(_mm_add_epi16(r, round), 3), zero);
        const __m128i g8 = _mm_packus_epi16(_mm_srai_epi16(_mm_add_epi16(g, round), 3), zero);
        const __m128i b8 = _mm_packus_epi16(_mm_srai_epi16(_mm_add_epi16(b, round), 3), zero);
        // B G R 0 per pixel.
        const __m128i bg = _mm_unpacklo_epi8(b8, g8);
        const __m128i r0 = _mm_unpacklo_epi8(r8, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgrx + x * 4), _mm_unpacklo_epi16(bg, r0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgrx + x * 4 + 16), _mm_unpackhi_epi16(bg, r0));
    }
    return x;
}

int Clamp(int value) {
    value >>= 16;
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

int Fixed16(double value) {
    return static_cast<int>(value * 65536.0 + 0.5);
}

// The pixels after the last whole eight, one at a time.
void ConvertRest(const std::uint8_t* y, const std::uint8_t* uv, std::uint8_t* bgrx, int from,
                 int width, int black, const Factors& f) {
    for (int x = from; x < width; ++x) {
        const int u = uv[x & ~1] - 128;
        const int v = uv[x | 1] - 128;
        const int luma = (y[x] - black) * Fixed16(f.y) + (1 << 15);
        const std::uint32_t pixel =
            static_cast<std::uint32_t>(Clamp(luma + Fixed16(f.bu) * u)) |
            static_cast<std::uint32_t>(Clamp(luma - Fixed16(f.gu) * u - Fixed16(f.gv) * v)) << 8 |
            static_cast<std::uint32_t>(Clamp(luma + Fixed16(f.rv) * v)) << 16;
        std::memcpy(bgrx + x * 4, &pixel, 4);
    }
}

} // namespace

void Nv12ToBgrx(const Nv12Picture& picture, YuvMatrix matrix, bool fullRange, std::uint8_t* out,
                std::ptrdiff_t outPitch) {
    const Factors f = FactorsOf(matrix, fullRange);
    const int black = fullRange ? 0 : 16;
    for (int row = 0; row < picture.height; ++row) {
        const std::uint8_t* y = picture.luma + row * picture.lumaPitch;
        const std::uint8_t* uv = picture.chroma + (row / 2) * picture.chromaPitch;
        std::uint8_t* bgrx = out + row * outPitch;
        const int done = ConvertEights(y, uv, bgrx, picture.width, black, f);
        ConvertRest(y, uv, bgrx, done, picture.width, black, f);
    }
}
