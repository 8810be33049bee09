#include "frame_converter.h"

#include <cstring>

namespace {

using Row = void (*)(const std::uint8_t* source, std::uint8_t* target, std::size_t width);

// One pixel of the source as a little-endian 0x00RRGGBB word, the camera's B G R X in memory.
template <std::size_t Bpp, bool RedFirst> std::uint32_t Pixel(const std::uint8_t* p) {
    std::uint32_t v = 0;
    if (Bpp == 4) {
        std::memcpy(&v, p, 4);
    } else {
        // Byte loads: a three-byte copy would not become one load.
        v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    }
    if (RedFirst) {
        v = ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
    }
    return v & 0x00FFFFFFu;
}

// The pixel loops, one instance per layout and direction so that each compiles to a tight
// loop without branches.
template <std::size_t Bpp, bool RedFirst, bool Mirror>
void ConvertRow(const std::uint8_t* source, std::uint8_t* target, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t v = Pixel<Bpp, RedFirst>(source + (Mirror ? width - 1 - x : x) * Bpp);
        std::memcpy(target + x * 4, &v, 4);
    }
}

template <bool Mirror> Row RowFor(qvl_pixel_layout layout) {
    switch (layout) {
    case QVL_RGBA:
        return ConvertRow<4, true, Mirror>;
    case QVL_RGB24:
        return ConvertRow<3, true, Mirror>;
    case QVL_BGR24:
        return ConvertRow<3, false, Mirror>;
    case QVL_BGRA:
    case QVL_BGRX:
        break;
    }
    return ConvertRow<4, false, Mirror>;
}

} // namespace

void ConvertFrame(const FrameGeometry& geometry, qvl_pixel_layout layout, qvl_row_order rows,
                  bool mirror, int width, int height, std::uint8_t* target) {
    const Row convert = mirror ? RowFor<true>(layout) : RowFor<false>(layout);
    const std::size_t columns = static_cast<std::size_t>(width);
    const std::size_t targetStride = columns * 4;
    const std::ptrdiff_t count = height;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        // The camera stores the picture's bottom row first.
        const std::ptrdiff_t pictureRow = rows == QVL_TOP_DOWN ? i : count - 1 - i;
        const std::size_t targetRow = static_cast<std::size_t>(count - 1 - pictureRow);
        convert(geometry.firstRow + i * geometry.stride, target + targetRow * targetStride,
                columns);
    }
}
