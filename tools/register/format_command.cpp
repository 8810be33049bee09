#include "format_command.h"

#include "camera_format.h"
#include "qvl_protocol.h"
#include "stored_settings.h"

#include <cstdio>
#include <cwchar>

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

// "WxH@FPS", or "WxH" with the stored rate.
bool ParseFormat(const wchar_t* text, CameraFormat* format) {
    if (!ReadNumber(&text, &format->width) || (*text != L'x' && *text != L'X')) {
        return false;
    }
    ++text;
    if (!ReadNumber(&text, &format->height)) {
        return false;
    }
    if (*text == L'@') {
        ++text;
        if (!ReadNumber(&text, &format->fps)) {
            return false;
        }
    }
    return *text == 0;
}

void PrintFormat(const char* lead, const CameraFormat& format) {
    std::printf("qvl_register: %s%ldx%ld at %ld fps\n", lead, format.width, format.height,
                format.fps);
}

} // namespace

int ShowFormat() {
    const CameraFormat stored = ReadStoredSettings();
    const CameraFormat format = CameraFormatFor(stored);
    PrintFormat("camera format for the current user: ", format);
    if (format.width != stored.width || format.height != stored.height ||
        format.fps != stored.fps) {
        PrintFormat("(the stored values, which the camera does not take: ", stored);
    }
    return 0;
}

int SetFormat(const wchar_t* text) {
    CameraFormat format = ReadStoredSettings();
    if (!ParseFormat(text, &format)) {
        std::fprintf(stderr,
                     "qvl_register: '%ls' is not a format; write WIDTHxHEIGHT@FPS, for example "
                     "1280x720@30; nothing changed\n",
                     text);
        return 1;
    }
    if (!FrameSizeAllowed(format.width, format.height)) {
        std::fprintf(stderr,
                     "qvl_register: %ldx%ld is not a size the camera takes: both sides must be "
                     "at least 1 and a frame (width x height x %u bytes) at most %u bytes; "
                     "nothing changed\n",
                     format.width, format.height, QVL_BYTES_PER_PIXEL, QVL_MAX_FRAME_BYTES);
        return 1;
    }
    if (!RateAllowed(format.fps)) {
        std::fprintf(stderr,
                     "qvl_register: %ld fps is not a rate the camera takes (1 to %d); nothing "
                     "changed\n",
                     format.fps, QVL_MAX_FPS);
        return 1;
    }
    const LONG written = WriteUserSettings(format);
    if (written != ERROR_SUCCESS) {
        std::fprintf(stderr, "qvl_register: cannot store the format (error %ld)\n", written);
        return 1;
    }
    PrintFormat("camera format for the current user set to ", format);
    std::printf("qvl_register: programs see it the next time they open the camera\n");
    return 0;
}
