// Stands in for a camera that starts streaming, for the panel's benchmark: claims a slot of the
// frame signal's block as the camera does, then waits for the first frame whose pixel at X,Y
// (top-left origin) is the expected colour, the source's picture rather than the idle one, and
// says how long that took. With --hold S it keeps the claim S seconds more and counts the
// frames written meanwhile. Prints "start_ms=... frames=... seconds=...".
#include "camera_format.h"
#include "channel_objects.h"
#include "kernel_owners.h"
#include "signal_block.h"
#include "stored_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Near(const BYTE* pixel, unsigned long rgb) {
    const int want[3] = {static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                         static_cast<int>(rgb >> 16)}; // B G R, as in memory
    for (int i = 0; i < 3; ++i) {
        if (std::abs(pixel[i] - want[i]) > 40) {
            return false;
        }
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 && !(argc == 6 && std::wcscmp(argv[4], L"--hold") == 0)) {
        std::fprintf(stderr, "usage: claim_probe X Y RRGGBB [--hold SECONDS]\n");
        return 2;
    }
    const long x = std::wcstol(argv[1], nullptr, 10), y = std::wcstol(argv[2], nullptr, 10);
    const unsigned long colour = std::wcstoul(argv[3], nullptr, 16);
    const double hold = argc == 6 ? std::wcstod(argv[5], nullptr) : 0;
    const CameraFormat format = CameraFormatFor(ReadStoredSettings());
    if (x < 0 || y < 0 || x >= format.width || y >= format.height) {
        std::fprintf(stderr, "claim_probe: %ld,%ld lies outside the camera's frame\n", x, y);
        return 2;
    }
    SignalBlock block;
    const CKernelHandle region(CreateOrOpenRegion(
        QVL_REGION_NAME, RegionCreationSize(FrameBytes(format.width, format.height))));
    const CKernelHandle mutex(CreateOrOpenMutex(QVL_REGION_NAME));
    CMappedView view;
    if (!block.Open(QVL_REGION_NAME) || region.Get() == nullptr || mutex.Get() == nullptr ||
        !view.Map(region.Get()) || view.Span() < FrameBytes(format.width, format.height)) {
        std::fprintf(stderr, "claim_probe: cannot open the camera's channel\n");
        return 1;
    }
    LONG* claim = nullptr;
    unsigned slot = 0;
    for (; slot < QVL_SIGNAL_SLOTS && claim == nullptr; ++slot) {
        if (InterlockedCompareExchange(&block.Get()->claims[slot],
                                       static_cast<LONG>(GetCurrentProcessId()), 0) == 0) {
            claim = const_cast<LONG*>(&block.Get()->claims[slot]);
        }
    }
    if (claim == nullptr) {
        std::fprintf(stderr, "claim_probe: every slot is claimed\n");
        return 1;
    }
    const double start = Seconds();
    const CKernelHandle wake(CreateOrOpenSlotEvent(QVL_REGION_NAME, slot - 1));
    const size_t at = (static_cast<size_t>(format.height - 1 - y) * format.width + x) * 4;
    double fresh = 0;
    while (fresh == 0 && Seconds() - start < 10) {
        WaitForSingleObject(wake.Get(), 20);
        const CMutexHold held(mutex.Get(), 1000);
        if (held.Held() && Near(view.Get() + at, colour)) {
            fresh = Seconds();
        }
    }
    const LONG before = block.Get()->sequence;
    const double holding = Seconds();
    Sleep(static_cast<DWORD>(hold * 1000));
    const LONG frames = block.Get()->sequence - before;
    const double held = Seconds() - holding;
    InterlockedExchange(claim, 0);
    if (fresh == 0) {
        std::printf("start_ms=none frames=%ld seconds=%.2f\n", frames, held);
        return 1;
    }
    std::printf("start_ms=%.0f frames=%ld seconds=%.2f\n", (fresh - start) * 1000, frames, held);
    return 0;
}
