#include "frame_fill.h"

#include <cstring>

#include <immintrin.h>

namespace {

const std::uint8_t* PictureRow(const std::uint8_t* frame, long width, long y) {
    return frame + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
}

// BT.601 studio range in 7-bit fixed point, per byte of a B G R X pixel.
constexpr int lumaB = 13, lumaG = 64, lumaR = 33;
constexpr int uB = 56, uG = -37, uR = -19;
constexpr int vB = -9, vG = -47, vR = 56;

inline std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// The rounding average SSE2's pavgb makes, so that the edge columns match the wide path.
inline int Average(int a, int b) {
    return (a + b + 1) >> 1;
}

// The chroma pair of a 2 x 2 block whose corners start at a, a + 4 (top) and b, b + 4.
inline void ChromaOf(const std::uint8_t* a, const std::uint8_t* b, BYTE* chroma) {
    int c[3];
    for (int i = 0; i < 3; ++i) {
        c[i] = Average(Average(a[i], b[i]), Average(a[i + 4], b[i + 4]));
    }
    chroma[0] = Clamp(((uB * c[0] + uG * c[1] + uR * c[2] + 64) >> 7) + 128);
    chroma[1] = Clamp(((vB * c[0] + vG * c[1] + vR * c[2] + 64) >> 7) + 128);
}

// Luma of four pixels as eight words (a pair of partial sums each) summed into four.
inline __m128i Luma4(__m128i pixels, __m128i weights) {
    return _mm_maddubs_epi16(pixels, weights);
}

// The last columns, from `x` on, one 2 x 2 block at a time.
void Nv12Tail(const std::uint8_t* top, const std::uint8_t* bottom, long x, long width,
              BYTE* lumaTop, BYTE* lumaBottom, BYTE* chroma) {
    for (; x < width; x += 2) {
        const std::uint8_t* a = top + x * 4;
        const std::uint8_t* b = bottom + x * 4;
        lumaTop[x] = LumaOf(a[0], a[1], a[2]);
        lumaTop[x + 1] = LumaOf(a[4], a[5], a[6]);
        lumaBottom[x] = LumaOf(b[0], b[1], b[2]);
        lumaBottom[x + 1] = LumaOf(b[4], b[5], b[6]);
        ChromaOf(a, b, chroma + x);
    }
}

// Two picture rows into two luma rows and one chroma row, eight pixels at a time (SSSE3).
void Nv12Rows(const std::uint8_t* top, const std::uint8_t* bottom, long width, BYTE* lumaTop,
              BYTE* lumaBottom, BYTE* chroma) {
    const __m128i lumaWeights = _mm_setr_epi8(lumaB, lumaG, lumaR, 0, lumaB, lumaG, lumaR, 0, lumaB,
                                              lumaG, lumaR, 0, lumaB, lumaG, lumaR, 0);
    // Each block's average pixel twice: U's weights on the first, V's on the second.
    const __m128i chromaWeights =
        _mm_setr_epi8(uB, uG, uR, 0, vB, vG, vR, 0, uB, uG, uR, 0, vB, vG, vR, 0);
    const __m128i half = _mm_set1_epi16(64);
    const __m128i lumaFloor = _mm_set1_epi16(16);
    const __m128i chromaMiddle = _mm_set1_epi16(128);
    long x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + x * 4));
        const __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + x * 4 + 16));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + x * 4));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + x * 4 + 16));
        // Luma: partial sums per pixel, added pairwise, rounded, shifted, lifted, packed.
        const __m128i yTop = _mm_add_epi16(
            _mm_srai_epi16(
                _mm_add_epi16(_mm_hadd_epi16(Luma4(t0, lumaWeights), Luma4(t1, lumaWeights)), half),
                7),
            lumaFloor);
        const __m128i yBottom = _mm_add_epi16(
            _mm_srai_epi16(
                _mm_add_epi16(_mm_hadd_epi16(Luma4(b0, lumaWeights), Luma4(b1, lumaWeights)), half),
                7),
            lumaFloor);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(lumaTop + x), _mm_packus_epi16(yTop, yTop));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(lumaBottom + x),
                         _mm_packus_epi16(yBottom, yBottom));
        // Chroma: the rows averaged, then each pixel with its right neighbour; the block's
        // average sits in pixels 0 and 2, copied to 1 and 3 for V.
        const __m128i v0 = _mm_avg_epu8(t0, b0);
        const __m128i v1 = _mm_avg_epu8(t1, b1);
        const __m128i h0 = _mm_shuffle_epi32(_mm_avg_epu8(v0, _mm_srli_si128(v0, 4)), 0xA0);
        const __m128i h1 = _mm_shuffle_epi32(_mm_avg_epu8(v1, _mm_srli_si128(v1, 4)), 0xA0);
        const __m128i uv = _mm_add_epi16(
            _mm_srai_epi16(_mm_add_epi16(_mm_hadd_epi16(_mm_maddubs_epi16(h0, chromaWeights),
                                                        _mm_maddubs_epi16(h1, chromaWeights)),
                                         half),
                           7),
            chromaMiddle);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(chroma + x), _mm_packus_epi16(uv, uv));
    }
    Nv12Tail(top, bottom, x, width, lumaTop, lumaBottom, chroma);
}

[[gnu::target("avx2")]] inline __m256i LoadWide(const std::uint8_t* pixels) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
}

// Sixteen pixels' weighted sums (`p0`, then `p1`, in four-byte groups 0, 2, 1, 3), rounded
// down to bytes' scale and lifted by `offset`.
[[gnu::target("avx2")]] inline __m256i WeighWide(__m256i p0, __m256i p1, __m256i weights,
                                                 __m256i offset) {
    const __m256i sums =
        _mm256_hadd_epi16(_mm256_maddubs_epi16(p0, weights), _mm256_maddubs_epi16(p1, weights));
    return _mm256_add_epi16(_mm256_srai_epi16(_mm256_add_epi16(sums, _mm256_set1_epi16(64)), 7),
                            offset);
}

// The same sixteen pixels at a time (AVX2). Its instructions work within each 128-bit half,
// so each result's four-byte groups are put back in order before the store.
[[gnu::target("avx2")]] void Nv12RowsWide(const std::uint8_t* top, const std::uint8_t* bottom,
                                          long width, BYTE* lumaTop, BYTE* lumaBottom,
                                          BYTE* chroma) {
    const __m256i lumaWeights =
        _mm256_setr_epi8(lumaB, lumaG, lumaR, 0, lumaB, lumaG, lumaR, 0, lumaB, lumaG, lumaR, 0,
                         lumaB, lumaG, lumaR, 0, lumaB, lumaG, lumaR, 0, lumaB, lumaG, lumaR, 0,
                         lumaB, lumaG, lumaR, 0, lumaB, lumaG, lumaR, 0);
    const __m256i chromaWeights =
        _mm256_setr_epi8(uB, uG, uR, 0, vB, vG, vR, 0, uB, uG, uR, 0, vB, vG, vR, 0, uB, uG, uR, 0,
                         vB, vG, vR, 0, uB, uG, uR, 0, vB, vG, vR, 0);
    const __m256i lumaFloor = _mm256_set1_epi16(16);
    const __m256i chromaMiddle = _mm256_set1_epi16(128);
    // Group order after the in-half adds and packs: 0, 2 (first half), 1, 3 (second half).
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    long x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i t0 = LoadWide(top + x * 4);
        const __m256i t1 = LoadWide(top + x * 4 + 32);
        const __m256i b0 = LoadWide(bottom + x * 4);
        const __m256i b1 = LoadWide(bottom + x * 4 + 32);
        // Packed: top's sixteen, then bottom's, once the groups are in order.
        const __m256i y = _mm256_permutevar8x32_epi32(
            _mm256_packus_epi16(WeighWide(t0, t1, lumaWeights, lumaFloor),
                                WeighWide(b0, b1, lumaWeights, lumaFloor)),
            order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lumaTop + x), _mm256_castsi256_si128(y));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lumaBottom + x),
                         _mm256_extracti128_si256(y, 1));
        const __m256i v0 = _mm256_avg_epu8(t0, b0);
        const __m256i v1 = _mm256_avg_epu8(t1, b1);
        const __m256i h0 =
            _mm256_shuffle_epi32(_mm256_avg_epu8(v0, _mm256_srli_si256(v0, 4)), 0xA0);
        const __m256i h1 =
            _mm256_shuffle_epi32(_mm256_avg_epu8(v1, _mm256_srli_si256(v1, 4)), 0xA0);
        const __m256i uv = WeighWide(h0, h1, chromaWeights, chromaMiddle);
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(uv, uv), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(chroma + x), _mm256_castsi256_si128(packed));
    }
    Nv12Tail(top, bottom, x, width, lumaTop, lumaBottom, chroma);
}

} // namespace

void FillRgb32(const std::uint8_t* frame, long width, long height, BYTE* first, LONG pitch) {
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    if (static_cast<size_t>(pitch) == rowBytes) {
        std::memcpy(first, frame, rowBytes * static_cast<size_t>(height)); // one copy
        return;
    }
    for (long y = 0; y < height; ++y) {
        std::memcpy(first + static_cast<ptrdiff_t>(y) * pitch, PictureRow(frame, width, y),
                    rowBytes);
    }
}

void FillNv12(const std::uint8_t* frame, long width, long height, BYTE* first, LONG pitch) {
    static const auto rows = __builtin_cpu_supports("avx2") ? Nv12RowsWide : Nv12Rows;
    BYTE* const chroma = first + static_cast<ptrdiff_t>(height) * pitch;
    for (long y = 0; y + 1 < height; y += 2) {
        rows(PictureRow(frame, width, y), PictureRow(frame, width, y + 1), width,
             first + static_cast<ptrdiff_t>(y) * pitch,
             first + static_cast<ptrdiff_t>(y + 1) * pitch,
             chroma + static_cast<ptrdiff_t>(y / 2) * pitch);
    }
}

void FillBlackRgb32(long width, long height, BYTE* first, LONG pitch) {
    for (long y = 0; y < height; ++y) {
        std::memset(first + static_cast<ptrdiff_t>(y) * pitch, 0, static_cast<size_t>(width) * 4);
    }
}

void FillBlackNv12(long width, long height, BYTE* first, LONG pitch) {
    for (long y = 0; y < height; ++y) {
        std::memset(first + static_cast<ptrdiff_t>(y) * pitch, LumaOf(0, 0, 0),
                    static_cast<size_t>(width));
    }
    BYTE* const chroma = first + static_cast<ptrdiff_t>(height) * pitch;
    for (long y = 0; y < height / 2; ++y) {
        std::memset(chroma + static_cast<ptrdiff_t>(y) * pitch, 128, static_cast<size_t>(width));
    }
}
