#include "stream_cases.h"

#include "frame_tap.h"
#include "qvl_protocol.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace bench {
namespace {

// Microseconds for one plain copy of a frame of this size between two buffers that have been
// written before: the floor for the camera's fill. The median of a few rounds, each after
// `idleMs` of sleep when given: a processor that has idled for a frame interval copies more
// slowly than one copying back to back.
double CopyMicroseconds(size_t bytes, DWORD idleMs = 0) {
    std::vector<BYTE> from(bytes, 1), to(bytes, 2);
    std::vector<double> rounds;
    for (int i = 0; i < 21; ++i) {
        from[static_cast<size_t>(i)] = static_cast<BYTE>(i);
        if (idleMs > 0) {
            Sleep(idleMs);
        }
        const double start = Now();
        std::memcpy(to.data(), from.data(), bytes);
        rounds.push_back((Now() - start) * 1e6);
    }
    std::nth_element(rounds.begin(), rounds.begin() + 10, rounds.end());
    // Reading the copy keeps it from being optimised away.
    return to[20] == 20 ? rounds[10] : -rounds[10];
}

} // namespace

bool RunFree(const CameraModule& module, DWORD width, DWORD height) {
    FrameTap tap;
    CameraRun run(module, width, height, QVL_DEFAULT_FPS, false, &tap);
    if (!Started(run, tap, 20)) {
        return false;
    }
    const long before = tap.Frames();
    const double start = Now();
    Sleep(2000);
    const double fps = (tap.Frames() - before) / (Now() - start);
    const double copyFps = 1e6 / CopyMicroseconds(run.Format().imageSize);
    std::printf("free    %4lux%-4lu %8.1f fps (%7.1f us/frame), a bare copy allows %8.1f fps\n",
                width, height, fps, 1e6 / fps, copyFps);
    std::printf("bench: arch=%s case=free size=%lux%lu fps=%.1f copy_fps=%.1f\n", Arch(), width,
                height, fps, copyFps);
    return true;
}

bool RunSteady(const CameraModule& module, DWORD width, DWORD height) {
    const long frames = 10000;
    FrameTap tap;
    CameraRun run(module, width, height, QVL_DEFAULT_FPS, false, &tap);
    if (!Started(run, tap, 200)) {
        return false;
    }
    const ProcessUse before = MeasureProcess();
    const long first = tap.Frames();
    if (!tap.WaitForFrames(first + frames, 300000)) {
        std::fprintf(stderr, "stream_bench: %ld frames did not arrive\n", frames);
        return false;
    }
    const ProcessUse after = MeasureProcess();
    const long handles = after.handles - before.handles;
    const long long kib = (after.privateBytes - before.privateBytes) / 1024;
    std::printf("steady  %4lux%-4lu over %ld frames: handles %+ld, private memory %+lld KiB\n",
                width, height, frames, handles, kib);
    std::printf("bench: arch=%s case=steady size=%lux%lu frames=%ld handles_delta=%ld "
                "private_kib_delta=%lld\n",
                Arch(), width, height, frames, handles, kib);
    return true;
}

bool RunPaced(const CameraModule& module, DWORD width, DWORD height, DWORD fps) {
    FrameTap tap;
    double cpuPct = 0;
    double rate = 0;
    DWORD frameBytes = 0;
    {
        CameraRun run(module, width, height, fps, true, &tap);
        if (!Started(run, tap, static_cast<long>(fps))) {
            return false;
        }
        frameBytes = run.Format().imageSize;
        const long before = tap.Frames();
        const double cpuBefore = ProcessSeconds();
        const double start = Now();
        Sleep(5000);
        const double seconds = Now() - start;
        cpuPct = 100 * (ProcessSeconds() - cpuBefore) / seconds;
        rate = (tap.Frames() - before) / seconds;
        // Wine 8 can hang releasing a graph whose system clock has just served large frames;
        // a pause between stopping and releasing avoids it.
        run.Stop();
        Sleep(1000);
    }
    // What a bare copy of each frame alone costs at this rate, with the same idle time between
    // copies as the stream has between frames.
    const double copyPct = CopyMicroseconds(frameBytes, 1000 / fps) * rate / 1e4;
    std::printf("paced   %4lux%-4lu at %lu fps: %.2f fps, process %.2f%% of one core, of which a "
                "bare copy of each frame would take %.2f%%\n",
                width, height, fps, rate, cpuPct, copyPct);
    std::printf("bench: arch=%s case=paced size=%lux%lu fps=%.2f cpu_pct=%.2f copy_pct=%.2f\n",
                Arch(), width, height, rate, cpuPct, copyPct);
    return true;
}

} // namespace bench
