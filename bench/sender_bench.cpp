// sender_bench: what the sender library's conversion into the camera's layout costs for one
// 1920x1080 frame, for each pixel layout, top-down and mirrored, next to a plain copy of a frame
// of the camera's size (the least any producer pays). Prints figures only.
#include "frame_converter.h"
#include "timing.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const int kWidth = 1920;
const int kHeight = 1080;
const DWORD kMeasureMs = 1000;

// Milliseconds per call of `run`, over about kMeasureMs after a warm-up call.
template <typename Run> double MsPerFrame(Run run) {
    run();
    const double start = Now();
    unsigned long frames = 0;
    double elapsed = 0;
    do {
        run();
        ++frames;
        elapsed = Now() - start;
    } while (elapsed * 1000 < kMeasureMs);
    return elapsed * 1000 / frames;
}

} // namespace

int main() {
    const struct {
        const char* name;
        qvl_pixel_layout layout;
    } layouts[] = {{"BGRA", QVL_BGRA},
                   {"BGRX", QVL_BGRX},
                   {"RGBA", QVL_RGBA},
                   {"RGB24", QVL_RGB24},
                   {"BGR24", QVL_BGR24}};
    std::vector<std::uint8_t> target(size_t{kWidth} * kHeight * 4);
    std::vector<std::uint8_t> source(size_t{kWidth} * kHeight * 4, 0x5A);
    std::printf("sender_bench: %dx%d frame into the camera's layout (B G R X, bottom-up)\n", kWidth,
                kHeight);
    std::printf("  %-8s %12s %12s\n", "layout", "ms/frame", "mirrored");
    for (const auto& entry : layouts) {
        const FrameGeometry geometry = {
            source.data(), static_cast<std::ptrdiff_t>(kWidth * BytesPerPixel(entry.layout)),
            BytesPerPixel(entry.layout)};
        double ms[2];
        for (int mirror = 0; mirror < 2; ++mirror) {
            ms[mirror] = MsPerFrame([&] {
                ConvertFrame(geometry, entry.layout, QVL_TOP_DOWN, mirror != 0, kWidth, kHeight,
                             target.data());
            });
        }
        std::printf("  %-8s %12.3f %12.3f\n", entry.name, ms[0], ms[1]);
    }
    const double copy =
        MsPerFrame([&] { std::memcpy(target.data(), source.data(), target.size()); });
    std::printf("  %-8s %12.3f\n", "memcpy", copy);
    return 0;
}
