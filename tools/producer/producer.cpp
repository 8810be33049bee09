// qvl_producer: the application that feeds the virtual camera. It writes frames into the
// camera's shared region under the camera's mutex, either an animated test picture or raw
// BGRA frames read from standard input (for example from ffmpeg).
//
// Test picture, top-down as seen: a 16x16 marker block at the top left in a fixed colour
// (R 255, G 0, B 128) that captures can check, a strip of 32 blocks showing the frame counter
// in binary (white = 1), and eight colour bars that move left by four pixels per frame.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "owned_handles.h"

namespace {

const char kRegionName[] = "{D7A2CE2F-8221-4B80-B086-B795D9C845F6}";
const char kMutexName[] = "{D7A2CE2F-8221-4B80-B086-B795D9C845F6}.mutex";
const DWORD kRegionSize = 16u * 1024u * 1024u;
const DWORD kMutexWaitMs = 1000;

struct Options {
    long width = 320;
    long height = 240;
    long fps = 25;
    double seconds = 10.0;
    unsigned long frames = 0; // 0: bounded by seconds only
    bool fromStdin = false;
    bool quiet = false;
};

// Holds the camera's mutex for one frame write.
class MutexHold {
public:
    explicit MutexHold(HANDLE mutex) : mutex(mutex) {
        const DWORD wait = WaitForSingleObject(mutex, kMutexWaitMs);
        held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~MutexHold() {
        if (held) {
            ReleaseMutex(mutex);
        }
    }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;
    bool Held() const { return held; }

private:
    HANDLE mutex;
    bool held = false;
};

// The camera's own settings give the default frame size and rate.
void ReadCameraSettings(Options& options) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\orbitandlantern\\QVLBase\\media\\virtual", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    const struct {
        const wchar_t* name;
        long* target;
    } values[] = {{L"width", &options.width}, {L"height", &options.height}, {L"fps", &options.fps}};
    for (const auto& value : values) {
        DWORD data = 0;
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (RegQueryValueExW(key, value.name, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                             &size) == ERROR_SUCCESS &&
            type == REG_DWORD && data > 0) {
            *value.target = static_cast<long>(data);
        }
    }
    RegCloseKey(key);
}

void Usage() {
    std::fprintf(stderr,
                 "usage: qvl_producer [--width W] [--height H] [--fps F] [--seconds S]\n"
                 "                    [--frames N] [--stdin] [--quiet]\n"
                 "  Size and rate default to the camera's settings (320x240 at 25 fps).\n"
                 "  --seconds 0 with --frames 0 runs until stopped; --stdin reads raw BGRA\n"
                 "  frames, top row first (ffmpeg -pix_fmt bgra -f rawvideo), until EOF.\n");
}

bool Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--stdin") == 0) {
            options.fromStdin = true;
        } else if (std::strcmp(arg, "--quiet") == 0) {
            options.quiet = true;
        } else if (hasValue && std::strcmp(arg, "--width") == 0) {
            options.width = std::strtol(argv[++i], nullptr, 10);
        } else if (hasValue && std::strcmp(arg, "--height") == 0) {
            options.height = std::strtol(argv[++i], nullptr, 10);
        } else if (hasValue && std::strcmp(arg, "--fps") == 0) {
            options.fps = std::strtol(argv[++i], nullptr, 10);
        } else if (hasValue && std::strcmp(arg, "--seconds") == 0) {
            options.seconds = std::strtod(argv[++i], nullptr);
        } else if (hasValue && std::strcmp(arg, "--frames") == 0) {
            options.frames = std::strtoul(argv[++i], nullptr, 10);
        } else {
            return false;
        }
    }
    return options.width > 0 && options.height > 0 && options.fps > 0 && options.seconds >= 0;
}

void FillBlock(BYTE* topDown, long stride, long x0, long y0, long w, long h, const BYTE bgr[3]) {
    for (long y = y0; y < y0 + h; ++y) {
        BYTE* p = topDown + y * stride + x0 * 4;
        for (long x = 0; x < w; ++x, p += 4) {
            p[0] = bgr[0];
            p[1] = bgr[1];
            p[2] = bgr[2];
            p[3] = 0;
        }
    }
}

// Draws the test picture for frame n into a top-down BGRX buffer.
void DrawTestPicture(std::vector<BYTE>& topDown, long width, long height, unsigned long n) {
    static const BYTE bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                    {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
    const long stride = width * 4;
    const long barWidth = width / 8 > 0 ? width / 8 : 1;
    const long shift = static_cast<long>((n * 4) % static_cast<unsigned long>(barWidth * 8));
    for (long x = 0; x < width; ++x) {
        const BYTE* colour = bars[((x + shift) / barWidth) % 8];
        FillBlock(topDown.data(), stride, x, 0, 1, height, colour);
    }
    const long block = 16;
    const BYTE marker[3] = {128, 0, 255};
    const BYTE one[3] = {255, 255, 255};
    const BYTE zero[3] = {32, 32, 32};
    if (width >= block && height >= 2 * block) {
        FillBlock(topDown.data(), stride, 0, 0, block, block, marker);
        const long bits = width / 8 < 32 ? width / 8 : 32;
        for (long b = 0; b < bits; ++b) {
            const bool set = ((n >> (bits - 1 - b)) & 1u) != 0;
            FillBlock(topDown.data(), stride, b * 8, block, 8, 8, set ? one : zero);
        }
    }
}

// Reads one whole frame from standard input; false at end of input.
bool ReadFrame(std::vector<BYTE>& topDown) {
    size_t got = 0;
    while (got < topDown.size()) {
        const size_t n = std::fread(topDown.data() + got, 1, topDown.size() - got, stdin);
        if (n == 0) {
            return false;
        }
        got += n;
    }
    return true;
}

// Writes a top-down picture into the region as the camera's bottom-up frame.
void WriteFrame(BYTE* region, const std::vector<BYTE>& topDown, long width, long height) {
    const size_t stride = static_cast<size_t>(width) * 4;
    for (long y = 0; y < height; ++y) {
        std::memcpy(region + static_cast<size_t>(height - 1 - y) * stride,
                    topDown.data() + static_cast<size_t>(y) * stride, stride);
    }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Sleeps until the given time since start.
void WaitUntil(LARGE_INTEGER start, LARGE_INTEGER frequency, double dueSeconds) {
    for (;;) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const double left = dueSeconds - Seconds(start, now, frequency);
        if (left <= 0) {
            return;
        }
        Sleep(left > 0.002 ? static_cast<DWORD>((left - 0.001) * 1000.0) : 0);
    }
}

int Run(const Options& options) {
    const size_t frameBytes =
        static_cast<size_t>(options.width) * static_cast<size_t>(options.height) * 4;
    Handle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kRegionSize,
                                      kRegionName));
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (mapping.Get() == nullptr) {
        std::fprintf(stderr, "qvl_producer: cannot create the region (error %lu)\n",
                     GetLastError());
        return 1;
    }
    View view(mapping.Get());
    Handle mutex(CreateMutexA(nullptr, FALSE, kMutexName));
    if (view.Get() == nullptr || mutex.Get() == nullptr) {
        std::fprintf(stderr, "qvl_producer: cannot map the region or open its mutex\n");
        return 1;
    }
    if (view.Span() < frameBytes) {
        std::fprintf(stderr, "qvl_producer: a %ldx%ld frame does not fit the %lu-byte region\n",
                     options.width, options.height, static_cast<unsigned long>(view.Span()));
        return 1;
    }
    if (!options.quiet) {
        std::printf("qvl_producer: %s region, %ldx%ld at %ld fps, %s\n",
                    existed ? "opened the camera's" : "created the", options.width, options.height,
                    options.fps, options.fromStdin ? "frames from stdin" : "test picture");
        std::fflush(stdout);
    }
    std::vector<BYTE> picture(frameBytes);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    unsigned long written = 0;
    unsigned long skipped = 0;
    for (unsigned long n = 0;; ++n) {
        if (options.frames != 0 && n >= options.frames) {
            break;
        }
        QueryPerformanceCounter(&now);
        if (options.seconds > 0 && Seconds(start, now, frequency) >= options.seconds) {
            break;
        }
        if (options.fromStdin) {
            if (!ReadFrame(picture)) {
                break;
            }
        } else {
            DrawTestPicture(picture, options.width, options.height, n);
        }
        {
            MutexHold hold(mutex.Get());
            if (hold.Held()) {
                WriteFrame(view.Get(), picture, options.width, options.height);
                ++written;
            } else {
                ++skipped;
            }
        }
        WaitUntil(start, frequency, static_cast<double>(n + 1) / options.fps);
    }
    QueryPerformanceCounter(&now);
    if (!options.quiet) {
        std::printf("qvl_producer: wrote %lu frames (%lu skipped: mutex busy) in %.2f s\n", written,
                    skipped, Seconds(start, now, frequency));
    }
    return written > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    ReadCameraSettings(options);
    if (!Parse(argc, argv, options)) {
        Usage();
        return 2;
    }
    if (options.fromStdin) {
        _setmode(_fileno(stdin), _O_BINARY);
    }
    return Run(options);
}
