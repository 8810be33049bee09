#include "camera_format.h"

#include "qvl_protocol.h"

unsigned long long FrameBytes(long width, long height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    // 32-bit pixels make every row a whole number of DWORDs: no padding. Both sides are below
    // 2^31, so the product cannot overflow 64 bits.
    return static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) *
           QVL_BYTES_PER_PIXEL;
}

bool FrameSizeAllowed(long width, long height) {
    const unsigned long long bytes = FrameBytes(width, height);
    return bytes > 0 && bytes <= QVL_MAX_FRAME_BYTES;
}

bool RateAllowed(long fps) {
    return fps > 0 && fps <= QVL_MAX_FPS;
}

CameraFormat CameraFormatFor(const CameraFormat& stored) {
    CameraFormat format = stored;
    if (!FrameSizeAllowed(stored.width, stored.height)) {
        format.width = QVL_DEFAULT_WIDTH;
        format.height = QVL_DEFAULT_HEIGHT;
    }
    if (!RateAllowed(stored.fps)) {
        format.fps = QVL_DEFAULT_FPS;
    }
    return format;
}

namespace {

// Reads 1 to 9 decimal digits (so the value fits any long) at `*text` and moves past them.
bool ReadNumber(const wchar_t** text, long* value) {
    const wchar_t* p = *text;
    long number = 0;
    int digits = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p, ++digits) {
        if (digits == 9) {
            return false;
        }
        number = number * 10 + (*p - L'0');
    }
    *text = p;
    *value = number;
    return digits > 0;
}

} // namespace

bool ParseCameraFormat(const wchar_t* text, CameraFormat* format) {
    CameraFormat read = *format;
    if (!ReadNumber(&text, &read.width) || (*text != L'x' && *text != L'X')) {
        return false;
    }
    ++text;
    if (!ReadNumber(&text, &read.height)) {
        return false;
    }
    if (*text == L'@') {
        ++text;
        if (!ReadNumber(&text, &read.fps)) {
            return false;
        }
    }
    if (*text != 0) {
        return false;
    }
    *format = read;
    return true;
}

unsigned long RegionCreationSize(unsigned long long frameBytes) {
    // Frames are at most QVL_MAX_FRAME_BYTES, well within 32 bits.
    return frameBytes > QVL_REGION_SIZE ? static_cast<unsigned long>(frameBytes) : QVL_REGION_SIZE;
}
