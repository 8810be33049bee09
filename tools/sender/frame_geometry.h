#pragma once
// Where each row of a caller's frame lies, checked against the caller's buffer before
// anything is read or written.
#include "qvl_sender.h"

#include <cstddef>
#include <cstdint>

struct FrameGeometry {
    const std::uint8_t* firstRow; // the first row in the frame's row sequence
    std::ptrdiff_t stride;        // from one row of the sequence to the next
    std::size_t bytesPerPixel;
};

// Bytes per pixel of a layout; 0 for an unknown one.
std::size_t BytesPerPixel(qvl_pixel_layout layout);

// Validates the frame's fields and that all its rows lie within its buffer, with every size
// computed without overflow. QVL_WRONG_SIZE when it is not `width` x `height`.
qvl_result CheckFrame(const qvl_frame& frame, int width, int height, FrameGeometry* geometry);
