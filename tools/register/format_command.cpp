#include "format_command.h"

#include "camera_format.h"
#include "elevation.h"
#include "qvl_protocol.h"
#include "stored_settings.h"

#include <cstdio>
#include <cwchar>

namespace {

void PrintFormat(const char* lead, const CameraFormat& format) {
    std::printf("qvl_register: %s%ldx%ld at %ld fps\n", lead, format.width, format.height,
                format.fps);
}

// The format the camera streams for stored values, with those values when it does not take
// them.
void PrintStored(const char* whose, const CameraFormat& stored) {
    const CameraFormat format = CameraFormatFor(stored);
    char lead[96];
    std::snprintf(lead, sizeof(lead), "camera format for %s: ", whose);
    PrintFormat(lead, format);
    if (format.width != stored.width || format.height != stored.height ||
        format.fps != stored.fps) {
        PrintFormat("(the stored values, which the camera does not take: ", stored);
    }
}

} // namespace

int ShowFormat() {
    PrintStored("the current user", ReadStoredSettings());
    PrintStored("the machine (the Windows 11 camera's)", ReadMachineSettings());
    return 0;
}

int SetFormat(const wchar_t* text, Scope scope) {
    CameraFormat format = ReadStoredSettings();
    if (!ParseCameraFormat(text, &format)) {
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
    LONG written = WriteUserSettings(format);
    if (written != ERROR_SUCCESS) {
        std::fprintf(stderr, "qvl_register: cannot store the format (error %ld)\n", written);
        return 1;
    }
    PrintFormat("camera format for the current user set to ", format);
    // One format serves both cameras; only an administrator can write the machine's, which is
    // the one the Windows 11 camera reads.
    if (scope == Scope::Machine && IsElevated()) {
        written = WriteMachineSettings(format);
        if (written != ERROR_SUCCESS) {
            std::fprintf(stderr,
                         "qvl_register: cannot store the format for the machine (error %ld); "
                         "the Windows 11 camera keeps its own\n",
                         written);
            return 1;
        }
        PrintFormat("camera format for the machine (the Windows 11 camera's) set to ", format);
    } else {
        PrintFormat("the Windows 11 camera keeps the machine's format, ",
                    CameraFormatFor(ReadMachineSettings()));
    }
    std::printf("qvl_register: programs see it the next time they open the camera\n");
    return 0;
}
