// qvl_capture: captures from the virtual camera the way a capture application does. The
// camera feeds a sample grabber, which counts frames, checks their stamps and can hand them to
// an AVI file, and then a null renderer.
#include "avi_file.h"
#include "bitmap_file.h"
#include "camera_source.h"
#include "com_owners.h"
#include "graph_kit.h"
#include "picture_probe.h"
#include "sample_recorder.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

using graphkit::ComPtr;

namespace {

struct Options {
    double seconds = 5.0;
    unsigned long frames = 0; // 0: run for `seconds`
    std::wstring dllPath;
    bool forceDll = false;
    std::wstring aviPath;
    std::wstring bmpPath;
};

void Usage() {
    std::fprintf(stderr, "usage: qvl_capture [--seconds S] [--frames N] [--avi FILE] [--bmp FILE]\n"
                         "                   [--dll PATH [--unregistered]]\n"
                         "  --dll: load the camera from this module when it is not registered\n"
                         "  (--unregistered: always). --frames N stops after N frames.\n");
}

std::wstring FullPath(const wchar_t* path) {
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full) : std::wstring(path);
}

bool Parse(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::wcscmp(arg, L"--unregistered") == 0) {
            options.forceDll = true;
        } else if (hasValue && std::wcscmp(arg, L"--seconds") == 0) {
            options.seconds = std::wcstod(argv[++i], nullptr);
        } else if (hasValue && std::wcscmp(arg, L"--frames") == 0) {
            options.frames = std::wcstoul(argv[++i], nullptr, 10);
        } else if (hasValue && std::wcscmp(arg, L"--dll") == 0) {
            options.dllPath = FullPath(argv[++i]);
        } else if (hasValue && std::wcscmp(arg, L"--avi") == 0) {
            options.aviPath = FullPath(argv[++i]);
        } else if (hasValue && std::wcscmp(arg, L"--bmp") == 0) {
            options.bmpPath = FullPath(argv[++i]);
        } else {
            return false;
        }
    }
    return options.seconds > 0 && (!options.forceDll || !options.dllPath.empty());
}

bool Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        std::fprintf(stderr, "qvl_capture: %s failed: 0x%08lX\n", what,
                     static_cast<unsigned long>(hr));
        return false;
    }
    return true;
}

// Runs the graph until the frame count or the time is reached, or the graph reports an
// abort; returns the abort's HRESULT, or S_OK.
HRESULT RunFor(IGraphBuilder* graph, CSampleRecorder& log, const Options& options) {
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    HRESULT hr =
        graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control.GetAddressOf()));
    if (SUCCEEDED(hr)) {
        hr =
            graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
    }
    if (!Check(hr, "IMediaControl/IMediaEvent") || !Check(control->Run(), "Run")) {
        return E_FAIL;
    }
    HRESULT aborted = S_OK;
    const DWORD startTick = GetTickCount();
    const DWORD limitMs = static_cast<DWORD>(options.seconds * 1000.0);
    while (GetTickCount() - startTick < limitMs && aborted == S_OK) {
        if (options.frames != 0 && log.Read().frames >= options.frames) {
            break;
        }
        long code = 0;
        LONG_PTR first = 0, second = 0;
        if (events->GetEvent(&code, &first, &second, 50) == S_OK) {
            if (code == EC_ERRORABORT) {
                aborted = static_cast<HRESULT>(first);
            }
            events->FreeEventParams(code, first, second);
        }
    }
    control->Stop();
    if (aborted != S_OK) {
        std::fprintf(stderr, "qvl_capture: the graph aborted: 0x%08lX\n",
                     static_cast<unsigned long>(aborted));
    }
    return aborted;
}

void PrintReport(const CSampleRecorder::Report& report, const graphkit::VideoFormat& format,
                 double seconds) {
    std::printf("frames received:   %lu in %.2f s\n", report.frames, seconds);
    std::printf("measured rate:     %.2f fps (nominal %.2f)\n", report.FrameRate(),
                format.frameTime > 0 ? 1e7 / static_cast<double>(format.frameTime) : 0.0);
    std::printf("stamp checks:      %lu bad start/stop, %lu bad media times, %lu not sync "
                "points, %lu bad lengths\n",
                report.badTimes, report.badMediaTimes, report.notSyncPoints, report.badLengths);
}

// What the producer's test picture showed in one frame: its marker's colour and its counter.
void PrintPicture(const char* label, bool read, const testpicture::Reading& reading) {
    if (!read) {
        std::printf("%snot readable\n", label);
        return;
    }
    std::printf("%smarker %u %u %u, counter %lu\n", label, reading.marker.red, reading.marker.green,
                reading.marker.blue, reading.counter);
}

int Capture(const Options& options) {
    CameraSource source;
    ComPtr<IBaseFilter> camera;
    if (!Check(source.Create(options.dllPath, options.forceDll, camera), "creating the camera")) {
        return 1;
    }
    std::printf("camera:            %s\n", source.Origin());
    // As a capture application runs it: the capture pin, in real time.
    graphkit::CameraGraphOptions graphOptions;
    graphOptions.clock = true;
    graphOptions.byCategory = true;
    graphkit::CameraGraph graph;
    graphkit::VideoFormat format;
    if (!Check(graph.Build(camera.Get(), graphOptions), "building the camera graph") ||
        !Check(graphkit::ConnectedFormat(graph.CameraOutput(), format), "reading the format")) {
        return 1;
    }
    std::printf("output pin:        %s\n",
                graph.FoundByCategory() ? "found by PIN_CATEGORY_CAPTURE" : "first output pin");
    std::printf("format:            %ldx%ld, %ld bits, %lu bytes, frame time %lld\n", format.width,
                format.height, format.bitCount, static_cast<unsigned long>(format.imageSize),
                static_cast<long long>(format.frameTime));
    AviFile avi;
    if (!options.aviPath.empty() &&
        !avi.Open(options.aviPath, format.width, format.height, format.frameTime)) {
        std::fprintf(stderr, "qvl_capture: cannot write %ls\n", options.aviPath.c_str());
        return 1;
    }
    CSampleRecorder::Options recording;
    recording.frameTime = format.frameTime;
    recording.frameBytes = static_cast<long>(format.imageSize);
    recording.keepSamples = false;
    recording.keepLatest = !options.bmpPath.empty();
    PictureProbe probe(format.width, format.height, options.aviPath.empty() ? nullptr : &avi);
    recording.sink = &probe;
    CSampleRecorder log(recording);
    if (!Check(graph.SetCallback(&log), "SetCallback")) {
        return 1;
    }
    const DWORD started = GetTickCount();
    const HRESULT aborted = RunFor(graph.Graph(), log, options);
    const double seconds = (GetTickCount() - started) / 1000.0;
    graph.SetCallback(nullptr);
    const CSampleRecorder::Report report = log.Read();
    PrintReport(report, format, seconds);
    testpicture::Reading reading;
    PrintPicture("picture first:     ", probe.First(reading), reading);
    PrintPicture("picture last:      ", probe.Last(reading), reading);
    if (!options.aviPath.empty()) {
        const bool closed = avi.Close();
        std::printf("avi written:       %ls, %lu frames%s\n", options.aviPath.c_str(), avi.Frames(),
                    closed ? "" : " (write failed)");
        if (!closed) {
            return 1;
        }
    }
    if (!options.bmpPath.empty()) {
        const bool saved =
            WriteBitmapFile(options.bmpPath.c_str(), format.width, format.height, log.Latest());
        std::printf("snapshot:          %ls%s\n", options.bmpPath.c_str(),
                    saved ? "" : " (not written)");
        if (!saved) {
            return 1;
        }
    }
    return aborted == S_OK && report.frames > 0 && report.Faults() == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        Usage();
        return 2;
    }
    CComScope com;
    if (!Check(com.Result(), "CoInitializeEx")) {
        return 1;
    }
    return Capture(options);
}
