#include "frame_geometry.h"

#include <limits>

namespace {

// a * b, false when it does not fit a size_t.
bool Multiply(std::size_t a, std::size_t b, std::size_t* product) {
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a) {
        return false;
    }
    *product = a * b;
    return true;
}

bool Add(std::size_t a, std::size_t b, std::size_t* sum) {
    if (b > std::numeric_limits<std::size_t>::max() - a) {
        return false;
    }
    *sum = a + b;
    return true;
}

bool KnownFields(const qvl_frame& frame) {
    return frame.pixels != nullptr && BytesPerPixel(frame.layout) != 0 &&
           (frame.rows == QVL_TOP_DOWN || frame.rows == QVL_BOTTOM_UP) &&
           (frame.flags & ~QVL_FRAME_MIRROR) == 0 && frame.width > 0 && frame.height > 0 &&
           frame.stride != std::numeric_limits<std::ptrdiff_t>::min();
}

} // namespace

std::size_t BytesPerPixel(qvl_pixel_layout layout) {
    switch (layout) {
    case QVL_BGRA:
    case QVL_BGRX:
    case QVL_RGBA:
        return 4;
    case QVL_RGB24:
    case QVL_BGR24:
        return 3;
    }
    return 0;
}

qvl_result CheckFrame(const qvl_frame& frame, int width, int height, FrameGeometry* geometry) {
    if (!KnownFields(frame)) {
        return QVL_INVALID_ARGUMENT;
    }
    if (frame.width != width || frame.height != height) {
        return QVL_WRONG_SIZE;
    }
    const std::size_t bytesPerPixel = BytesPerPixel(frame.layout);
    const std::size_t distance = frame.stride < 0 ? static_cast<std::size_t>(-frame.stride)
                                                  : static_cast<std::size_t>(frame.stride);
    std::size_t rowBytes = 0;
    std::size_t lastRowStart = 0;
    std::size_t span = 0;
    if (!Multiply(static_cast<std::size_t>(frame.width), bytesPerPixel, &rowBytes) ||
        distance < rowBytes ||
        !Multiply(static_cast<std::size_t>(frame.height) - 1, distance, &lastRowStart) ||
        !Add(lastRowStart, rowBytes, &span) || span > frame.bytes ||
        span > static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
        return QVL_INVALID_ARGUMENT;
    }
    const auto* base = static_cast<const std::uint8_t*>(frame.pixels);
    geometry->firstRow = frame.stride < 0 ? base + lastRowStart : base;
    geometry->stride = frame.stride;
    geometry->bytesPerPixel = bytesPerPixel;
    return QVL_OK;
}
