#include "frame_source.h"

#include "wide_text.h"

void FrameSource::SetNote(const std::wstring& text) {
    wideNote = text;
    note = Narrow(text, CP_UTF8);
}

qvl_frame DescribeFrame(const void* pixels, size_t bytes, int width, int height,
                        qvl_pixel_layout layout) {
    qvl_frame frame = {};
    frame.pixels = pixels;
    frame.bytes = bytes;
    frame.width = width;
    frame.height = height;
    frame.stride = static_cast<ptrdiff_t>(static_cast<size_t>(width) * qvl_bytes_per_pixel(layout));
    frame.rows = QVL_TOP_DOWN;
    frame.layout = layout;
    return frame;
}
