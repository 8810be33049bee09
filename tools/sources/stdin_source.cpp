#include "stdin_source.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>

StdinSource::StdinSource(int width, int height, qvl_pixel_layout layout)
    : width(width), height(height), layout(layout),
      buffer(static_cast<size_t>(width) * static_cast<size_t>(height) *
             qvl_bytes_per_pixel(layout)) {
    _setmode(_fileno(stdin), _O_BINARY);
}

SourceStatus StdinSource::Next(unsigned long, qvl_frame& frame) {
    size_t got = 0;
    while (got < buffer.size()) {
        const size_t n = std::fread(buffer.data() + got, 1, buffer.size() - got, stdin);
        if (n == 0) {
            break;
        }
        got += n;
    }
    if (got == 0) {
        return SourceStatus::End;
    }
    if (got < buffer.size()) {
        // A partial frame is never sent: the camera keeps the last whole one.
        wchar_t why[128];
        std::swprintf(why, 128, L"short read on standard input: %lu of %lu bytes of a %dx%d frame",
                      static_cast<unsigned long>(got), static_cast<unsigned long>(buffer.size()),
                      width, height);
        SetNote(why);
        return SourceStatus::Failed;
    }
    frame = DescribeFrame(buffer.data(), buffer.size(), width, height, layout);
    return SourceStatus::Frame;
}
