// frame_bench: how fast the camera's per-frame path runs in the platform's graph. The camera
// is made in-process, feeds a sample grabber and a null renderer, and the graph's clock is
// removed so that delivery runs flat out. Prints rates and per-frame times for a few frame
// sizes, next to a plain copy of one frame, and the process's handle count and private bytes
// while streaming, to show that nothing is allocated per frame.
#include "classfactory.h"
#include "frame_log.h"
#include "graph_kit.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

using graphkit::ComPtr;

namespace {

const wchar_t kSettingsKey[] = L"Software\\orbitandlantern\\QVLBase\\media\\virtual";
const wchar_t* const kSettingNames[] = {L"width", L"height", L"fps"};
const DWORD kWarmupFrames = 20;
const DWORD kMeasureMs = 2000;

// Saves the camera's settings and puts them back (or removes them, if they were absent)
// when the benchmark ends.
class SettingsGuard {
public:
    SettingsGuard() {
        const LONG created = RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                                             KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
        if (created != ERROR_SUCCESS) {
            std::fprintf(stderr, "frame_bench: cannot open the settings key (error %ld)\n",
                         static_cast<long>(created));
            key = nullptr;
        }
        for (int i = 0; i < 3 && key != nullptr; ++i) {
            DWORD size = sizeof(saved[i].value);
            DWORD type = 0;
            saved[i].present = RegQueryValueExW(key, kSettingNames[i], nullptr, &type,
                                                reinterpret_cast<BYTE*>(&saved[i].value),
                                                &size) == ERROR_SUCCESS &&
                               type == REG_DWORD;
        }
    }
    ~SettingsGuard() {
        if (key == nullptr) {
            return;
        }
        for (int i = 0; i < 3; ++i) {
            if (saved[i].present) {
                Write(kSettingNames[i], saved[i].value);
            } else {
                RegDeleteValueW(key, kSettingNames[i]);
            }
        }
        RegCloseKey(key);
    }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

    bool Set(DWORD width, DWORD height, DWORD fps) {
        return key != nullptr && Write(L"width", width) && Write(L"height", height) &&
               Write(L"fps", fps);
    }

private:
    bool Write(const wchar_t* name, DWORD value) {
        return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof(value)) == ERROR_SUCCESS;
    }

    struct Saved {
        bool present = false;
        DWORD value = 0;
    };
    HKEY key = nullptr;
    Saved saved[3];
};

struct ProcessUse {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

// Wine answers 0 for the process's handle count and private usage; there the figures are
// found by probing handle values and by summing the committed private pages.
DWORD ProbeHandleCount() {
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

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
    if (!GetProcessHandleCount(GetCurrentProcess(), &use.handles) || use.handles == 0) {
        use.handles = ProbeHandleCount();
    }
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

struct Graph {
    ComPtr<IGraphBuilder> builder;
    ComPtr<IBaseFilter> camera;
    ComPtr<IBaseFilter> grabberFilter;
    ComPtr<ISampleGrabber> grabber;
    ComPtr<IBaseFilter> renderer;
    graphkit::VideoFormat format;
};

HRESULT BuildGraph(Graph& g) {
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(g.builder.GetAddressOf()));
    if (SUCCEEDED(hr)) {
        hr = CreateCamera(g.camera);
    }
    if (SUCCEEDED(hr)) {
        hr = g.builder->AddFilter(g.camera.Get(), L"Quovalent_01");
    }
    if (SUCCEEDED(hr)) {
        hr = graphkit::AddFilter(g.builder.Get(), graphkit::CLSID_SampleGrabberFilter,
                                 L"Sample grabber", g.grabberFilter);
    }
    if (SUCCEEDED(hr)) {
        hr = g.grabberFilter.As(&g.grabber);
    }
    if (SUCCEEDED(hr)) {
        hr = graphkit::AddFilter(g.builder.Get(), graphkit::CLSID_NullRendererFilter,
                                 L"Null renderer", g.renderer);
    }
    if (SUCCEEDED(hr)) {
        hr = graphkit::ConnectFilters(g.builder.Get(), g.camera.Get(), g.grabberFilter.Get());
    }
    if (SUCCEEDED(hr)) {
        hr = graphkit::ConnectFilters(g.builder.Get(), g.grabberFilter.Get(), g.renderer.Get());
    }
    if (SUCCEEDED(hr)) {
        hr = graphkit::ConnectedFormat(graphkit::FirstPin(g.camera.Get(), PINDIR_OUTPUT).Get(),
                                       g.format);
    }
    ComPtr<IMediaFilter> timing;
    if (SUCCEEDED(hr)) {
        hr = g.builder.As(&timing);
    }
    // No clock: the renderer does not wait for presentation times.
    return SUCCEEDED(hr) ? timing->SetSyncSource(nullptr) : hr;
}

bool RunSize(SettingsGuard& settings, DWORD width, DWORD height) {
    if (!settings.Set(width, height, 25)) {
        std::fprintf(stderr, "frame_bench: cannot write the settings\n");
        return false;
    }
    Graph g;
    HRESULT hr = BuildGraph(g);
    ComPtr<IMediaControl> control;
    if (SUCCEEDED(hr)) {
        hr = g.builder.As(&control);
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "frame_bench: building the %lux%lu graph failed: 0x%08lX\n", width,
                     height, static_cast<unsigned long>(hr));
        return false;
    }
    FrameLog log(g.format.frameTime, static_cast<long>(g.format.imageSize), false);
    g.grabber->SetBufferSamples(FALSE);
    g.grabber->SetCallback(&log, 0);
    if (FAILED(control->Run()) || !log.WaitFor(kWarmupFrames, 10000)) {
        std::fprintf(stderr, "frame_bench: the %lux%lu graph does not stream\n", width, height);
        control->Stop();
        return false;
    }
    const ProcessUse before = MeasureProcess();
    const unsigned long startFrames = log.Read().frames;
    const double start = Now();
    Sleep(kMeasureMs);
    const unsigned long frames = log.Read().frames - startFrames;
    const double seconds = Now() - start;
    const ProcessUse after = MeasureProcess();
    control->Stop();
    g.grabber->SetCallback(nullptr, 0);
    const FrameLog::Report report = log.Read();
    const double fps = frames / seconds;
    const double frameBytes = static_cast<double>(g.format.imageSize);
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

} // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        return 1;
    }
    bool ok = true;
    {
        SettingsGuard settings;
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
                ok = RunSize(settings, size[0], size[1]) && ok;
                const ProcessUse after = MeasureProcess();
                std::printf("          after teardown: handles %+ld, private %+ld KiB\n",
                            static_cast<long>(after.handles) - static_cast<long>(before.handles),
                            static_cast<long>((static_cast<long long>(after.privateBytes) -
                                               static_cast<long long>(before.privateBytes)) /
                                              1024));
            }
        }
        const ProcessUse end = MeasureProcess();
        std::printf("whole run: handles %lu -> %lu, private bytes %lu KiB -> %lu KiB\n",
                    start.handles, end.handles,
                    static_cast<unsigned long>(start.privateBytes / 1024),
                    static_cast<unsigned long>(end.privateBytes / 1024));
    }
    CoUninitialize();
    return ok ? 0 : 1;
}
