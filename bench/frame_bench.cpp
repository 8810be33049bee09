// frame_bench: how fast the camera's per-frame path runs in the platform's graph. The camera
// is made in-process, feeds a sample grabber and a null renderer, and the graph's clock is
// removed so that delivery runs flat out. Prints rates and per-frame times for a few frame
// sizes, next to a plain copy of one frame, and the process's handle count and private bytes
// while streaming, to show that nothing is allocated per frame. Then, with the graph's clock
// and the grabber as the only sink (as a capture program's), the rate and the process's
// processor use of a 1920 x 1080 stream at 30 fps that the camera paces itself.
#include "classfactory.h"
#include "com_owners.h"
#include "graph_kit.h"
#include "process_handles.h"
#include "qvl_protocol.h"
#include "sample_recorder.h"
#include "settings_scope.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

using graphkit::ComPtr;

namespace {

const DWORD kWarmupFrames = 20;
const DWORD kMeasureMs = 2000;

struct ProcessUse {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

// Wine answers 0 for the process's private usage; there the figure is found by summing the
// committed private pages.
SIZE_T CommittedPrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info = {};
    for (const BYTE* address = nullptr; VirtualQuery(address, &info, sizeof(info)) == sizeof(info);
         address = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) {
            total += info.RegionSize;
        }
        if (info.RegionSize == 0) {
            break;
        }
    }
    return total;
}

ProcessUse MeasureProcess() {
    ProcessUse use;
    const long handles = OpenHandleCount();
    use.handles = handles < 0 ? 0 : static_cast<DWORD>(handles);
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters))) {
        use.privateBytes = counters.PrivateUsage;
    }
    if (use.privateBytes == 0) {
        use.privateBytes = CommittedPrivateBytes();
    }
    return use;
}

double Now() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The camera, made by the module's class factory over its one template, as DllGetClassObject
// would hand it to a host. (The name DllGetClassObject itself is not called here: in an
// executable it can bind to a system import library's stub.)
HRESULT CreateCamera(ComPtr<IBaseFilter>& camera) {
    ComPtr<IClassFactory> factory(new (std::nothrow) CClassFactory(&g_Templates[0]));
    if (!factory) {
        return E_OUTOFMEMORY;
    }
    return factory->CreateInstance(nullptr, IID_IBaseFilter,
                                   reinterpret_cast<void**>(camera.GetAddressOf()));
}

// Microseconds for one plain copy of a frame of this size: the floor for the camera's fill.
double CopyMicroseconds(size_t bytes) {
    std::vector<BYTE> from(bytes, 1), to(bytes);
    const int rounds = 50;
    const double start = Now();
    for (int i = 0; i < rounds; ++i) {
        from[static_cast<size_t>(i)] = static_cast<BYTE>(i);
        std::memcpy(to.data(), from.data(), bytes);
    }
    const double us = (Now() - start) * 1e6 / rounds;
    return to[1] == 1 ? us : -us; // reading the copy keeps it from being optimised away
}

bool RunSize(DWORD width, DWORD height) {
    if (!CSettingsScope::StoreAll(width, height, QVL_DEFAULT_FPS)) {
        std::fprintf(stderr, "frame_bench: cannot write the settings\n");
        return false;
    }
    ComPtr<IBaseFilter> camera;
    graphkit::CameraGraph graph;
    graphkit::VideoFormat format;
    HRESULT hr = CreateCamera(camera);
    if (SUCCEEDED(hr)) {
        hr = graph.Build(camera.Get(), graphkit::CameraGraphOptions{});
    }
    if (SUCCEEDED(hr)) {
        hr = graphkit::ConnectedFormat(graph.CameraOutput(), format);
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "frame_bench: building the %lux%lu graph failed: 0x%08lX\n", width,
                     height, static_cast<unsigned long>(hr));
        return false;
    }
    CSampleRecorder::Options recording;
    recording.frameTime = format.frameTime;
    recording.frameBytes = static_cast<long>(format.imageSize);
    recording.keepSamples = false; // nothing kept per frame
    CSampleRecorder log(recording);
    graph.SetCallback(&log);
    if (FAILED(graph.Run()) ||
        !log.WaitForFrames(kWarmupFrames, std::chrono::milliseconds(10000))) {
        std::fprintf(stderr, "frame_bench: the %lux%lu graph does not stream\n", width, height);
        graph.Stop();
        graph.SetCallback(nullptr);
        return false;
    }
    const ProcessUse before = MeasureProcess();
    const unsigned long startFrames = log.Read().frames;
    const double start = Now();
    Sleep(kMeasureMs);
    const unsigned long frames = log.Read().frames - startFrames;
    const double seconds = Now() - start;
    const ProcessUse after = MeasureProcess();
    graph.Stop();
    graph.SetCallback(nullptr);
    const CSampleRecorder::Report report = log.Read();
    const double fps = frames / seconds;
    const double frameBytes = static_cast<double>(format.imageSize);
    std::printf("%4lux%-4lu %9.1f fps %9.1f us/frame %8.1f MB/s  copy %7.1f us  "
                "handles %+ld  private %+ld KiB over %lu frames  stamp faults %lu\n",
                width, height, fps, fps > 0 ? 1e6 / fps : 0.0, fps * frameBytes / 1e6,
                CopyMicroseconds(static_cast<size_t>(frameBytes)),
                static_cast<long>(after.handles) - static_cast<long>(before.handles),
                static_cast<long>((static_cast<long long>(after.privateBytes) -
                                   static_cast<long long>(before.privateBytes)) /
                                  1024),
                frames, report.Faults());
    return true;
}

// Processor time (user and kernel) the whole process has used so far, in seconds.
double ProcessSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

bool RunPaced(DWORD width, DWORD height, DWORD fps) {
    const DWORD measureMs = 4000;
    if (!CSettingsScope::StoreAll(width, height, fps)) {
        std::fprintf(stderr, "frame_bench: cannot write the settings\n");
        return false;
    }
    ComPtr<IBaseFilter> camera;
    graphkit::CameraGraph graph;
    graphkit::CameraGraphOptions options;
    options.clock = true;
    options.renderer = false;
    HRESULT hr = CreateCamera(camera);
    if (SUCCEEDED(hr)) {
        hr = graph.Build(camera.Get(), options);
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "frame_bench: building the paced graph failed: 0x%08lX\n",
                     static_cast<unsigned long>(hr));
        return false;
    }
    CSampleRecorder::Options recording;
    recording.keepSamples = false;
    CSampleRecorder log(recording);
    graph.SetCallback(&log);
    if (FAILED(graph.Run()) || !log.WaitForFrames(fps, std::chrono::milliseconds(10000))) {
        std::fprintf(stderr, "frame_bench: the paced graph does not stream\n");
        graph.Stop();
        graph.SetCallback(nullptr);
        return false;
    }
    const ProcessUse before = MeasureProcess();
    const unsigned long startFrames = log.Read().frames;
    const double startCpu = ProcessSeconds();
    const double start = Now();
    Sleep(measureMs);
    const double cpu = ProcessSeconds() - startCpu;
    const double seconds = Now() - start;
    const unsigned long frames = log.Read().frames - startFrames;
    const ProcessUse after = MeasureProcess();
    graph.Stop();
    graph.SetCallback(nullptr);
    // Wine 8 can hang releasing a graph whose system clock has just served large frames;
    // a pause before the release avoids it (PLATFORM.md).
    Sleep(1000);
    std::printf("paced %lux%lu at %lu fps, graph clock, grabber alone: %.1f fps, process "
                "processor use %.1f%% of one core over %.1f s, handles %+ld\n",
                width, height, fps, frames / seconds, 100.0 * cpu / seconds, seconds,
                static_cast<long>(after.handles) - static_cast<long>(before.handles));
    return true;
}

} // namespace

int main() {
    CComScope com;
    if (FAILED(com.Result())) {
        return 1;
    }
    bool ok = true;
    {
        CSettingsScope settings;
        const ProcessUse start = MeasureProcess();
        std::printf("frame_bench: camera -> sample grabber -> null renderer, no graph clock, "
                    "%lu ms per size\n",
                    kMeasureMs);
        const DWORD sizes[][2] = {{320, 240}, {1280, 720}, {1920, 1080}};
        // Twice round: the first graphs load and start the platform's own machinery, so the
        // second round shows what one more graph leaves behind once torn down. (Wine's graph
        // keeps one handle per run even without the camera in it.)
        for (int round = 0; round < 2; ++round) {
            for (const auto& size : sizes) {
                const ProcessUse before = MeasureProcess();
                ok = RunSize(size[0], size[1]) && ok;
                const ProcessUse after = MeasureProcess();
                std::printf("          after teardown: handles %+ld, private %+ld KiB\n",
                            static_cast<long>(after.handles) - static_cast<long>(before.handles),
                            static_cast<long>((static_cast<long long>(after.privateBytes) -
                                               static_cast<long long>(before.privateBytes)) /
                                              1024));
            }
        }
        ok = RunPaced(1920, 1080, 30) && ok;
        const ProcessUse end = MeasureProcess();
        std::printf("whole run: handles %lu -> %lu, private bytes %lu KiB -> %lu KiB\n",
                    start.handles, end.handles,
                    static_cast<unsigned long>(start.privateBytes / 1024),
                    static_cast<unsigned long>(end.privateBytes / 1024));
    }
    return ok ? 0 : 1;
}
