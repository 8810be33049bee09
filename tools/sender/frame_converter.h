#pragma once
// Turns a checked frame into the camera's layout: 32-bit B G R X with X = 0, rows bottom-up,
// no gap between rows.
#include "frame_geometry.h"

// Writes `width` x `height` pixels into `target`, which holds width x height x 4 bytes.
void ConvertFrame(const FrameGeometry& geometry, qvl_pixel_layout layout, qvl_row_order rows,
                  bool mirror, int width, int height, std::uint8_t* target);
