// fill_bench: what the camera's FillBuffer costs next to a bare copy of the same bytes. The
// camera's stream fills a real sample from the platform's memory allocator, from the shared
// region a producer has just written through the sender library; the copy moves as many bytes
// from the same region (mapped here) into the same sample with the same memcpy. Repetitions of
// every case run in random order, and medians are compared. The mutex's wait and release alone
// are timed too, and the floor: the copy made while holding the mutex, taken and given back
// around it as the camera does.
#include "arch.h"
#include "classfactory.h"
#include "com_owners.h"
#include "kernel_owners.h"
#include "qvl_protocol.h"
#include "qvl_sender.h"
#include "settings_scope.h"
#include "stream.h"
#include "vidsrcfilter.h"

#include <benchmark/benchmark.h>
#include <dshow.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

const char* const kArch = BenchArch();

// One frame size: a camera made at that size, one sample of the platform's allocator held for
// the whole run, and a producer's sender with a frame to write.
struct Fixture {
    Fixture(DWORD width, DWORD height)
        : width(width), height(height), bytes(width * height * QVL_BYTES_PER_PIXEL) {}
    const DWORD width;
    const DWORD height;
    const DWORD bytes;
    ComPtr<IBaseFilter> camera;
    Cqvl_Stream* stream = nullptr;
    ComPtr<IMemAllocator> allocator;
    ComPtr<IMediaSample> sample;
    BYTE* buffer = nullptr;
    qvl_sender* sender = nullptr;
    std::vector<BYTE> picture;
    qvl_frame frame = {};

    ~Fixture() {
        sample.Reset();
        if (allocator) {
            allocator->Decommit();
        }
        qvl_sender_close(sender);
    }

    std::string Label() const { return std::to_string(width) + "x" + std::to_string(height); }

    // Writes the producer's frame into the region under the mutex, as a producer does.
    bool Produce() { return qvl_sender_send(sender, &frame) == QVL_OK; }
};

HRESULT Prepare(Fixture& f) {
    if (!CSettingsScope::StoreAll(f.width, f.height, QVL_DEFAULT_FPS)) {
        return E_FAIL;
    }
    ComPtr<IClassFactory> factory(new (std::nothrow) CClassFactory(&g_Templates[0]));
    if (!factory) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = factory->CreateInstance(nullptr, IID_PPV_ARGS(&f.camera));
    if (FAILED(hr)) {
        return hr;
    }
    f.stream = static_cast<Cqvl_VidSrcFilter*>(static_cast<CBaseFilter*>(f.camera.Get()))->Stream();
    if (f.stream == nullptr || f.stream->Width() != static_cast<LONG>(f.width) ||
        f.stream->Height() != static_cast<LONG>(f.height)) {
        return E_UNEXPECTED;
    }
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&f.allocator));
    ALLOCATOR_PROPERTIES wanted = {1, static_cast<long>(f.bytes), 1, 0}, actual = {};
    if (SUCCEEDED(hr)) {
        hr = f.allocator->SetProperties(&wanted, &actual);
    }
    if (SUCCEEDED(hr)) {
        hr = f.allocator->Commit();
    }
    if (SUCCEEDED(hr)) {
        hr = f.allocator->GetBuffer(&f.sample, nullptr, nullptr, 0);
    }
    if (SUCCEEDED(hr)) {
        hr = f.sample->GetPointer(&f.buffer);
    }
    if (FAILED(hr) || f.sample->GetSize() != static_cast<long>(f.bytes)) {
        return FAILED(hr) ? hr : E_UNEXPECTED;
    }
    qvl_camera_format format = {};
    if (qvl_sender_open(QVL_CAMERA_MUTEX_WAIT_MS, &f.sender) != QVL_OK ||
        qvl_sender_format(f.sender, &format) != QVL_OK ||
        format.width != static_cast<int>(f.width)) {
        return E_FAIL;
    }
    f.picture.resize(f.bytes);
    for (size_t i = 0; i < f.picture.size(); ++i) {
        f.picture[i] = static_cast<BYTE>(i * 7 + i / 4096);
    }
    // Already in the camera's own layout, so the sender's conversion is a plain row copy.
    f.frame = {f.picture.data(),
               f.picture.size(),
               static_cast<int>(f.width),
               static_cast<int>(f.height),
               static_cast<ptrdiff_t>(f.width) * 4,
               QVL_BOTTOM_UP,
               QVL_BGRX,
               0};
    return S_OK;
}

void Fill(benchmark::State& state, Fixture* f, const BYTE* region) {
    if (!f->Produce()) {
        state.SkipWithError("the producer's frame was not written");
        return;
    }
    for (auto _ : state) {
        if (FAILED(f->stream->FillBuffer(f->sample.Get()))) {
            state.SkipWithError("FillBuffer failed");
            break;
        }
    }
    if (std::memcmp(f->buffer, region, f->bytes) != 0) {
        state.SkipWithError("the sample does not hold the producer's frame");
    }
}

void Copy(benchmark::State& state, Fixture* f, const BYTE* region) {
    if (!f->Produce()) {
        state.SkipWithError("the producer's frame was not written");
        return;
    }
    for (auto _ : state) {
        std::memcpy(f->buffer, region, f->bytes);
        benchmark::ClobberMemory();
    }
}

// The protocol's own floor: the same copy made while holding the producer's mutex, taken and
// given back around each copy as the camera does.
void Floor(benchmark::State& state, Fixture* f, const BYTE* region, HANDLE mutex) {
    if (!f->Produce()) {
        state.SkipWithError("the producer's frame was not written");
        return;
    }
    for (auto _ : state) {
        if (WaitForSingleObject(mutex, QVL_CAMERA_MUTEX_WAIT_MS) != WAIT_OBJECT_0) {
            state.SkipWithError("the mutex was not granted");
            break;
        }
        std::memcpy(f->buffer, region, f->bytes);
        ReleaseMutex(mutex);
        benchmark::ClobberMemory();
    }
}

void MutexRoundTrip(benchmark::State& state, HANDLE mutex) {
    for (auto _ : state) {
        if (WaitForSingleObject(mutex, QVL_CAMERA_MUTEX_WAIT_MS) != WAIT_OBJECT_0 ||
            !ReleaseMutex(mutex)) {
            state.SkipWithError("the mutex was not granted");
            break;
        }
    }
}

// The console table as usual; the median real time of every case kept for the summary.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            failed = failed || run.error_occurred;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
    bool failed = false;
};

// Wall-clock time: a wait answered by another process (Wine's server) is not this one's.
template <class... Args> void Register(const std::string& name, Args... args) {
    benchmark::RegisterBenchmark(name.c_str(), args...)->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    CComScope com;
    if (FAILED(com.Result())) {
        return 1;
    }
    CSettingsScope settings;
    const DWORD sizes[][2] = {{320, 240}, {640, 480}, {1280, 720}, {1920, 1080}, {2048, 2048}};
    std::vector<std::unique_ptr<Fixture>> fixtures;
    for (const auto& size : sizes) {
        fixtures.push_back(std::make_unique<Fixture>(size[0], size[1]));
        Fixture& f = *fixtures.back();
        const HRESULT hr = Prepare(f);
        if (FAILED(hr)) {
            std::fprintf(stderr, "fill_bench: preparing %s failed: 0x%08lX\n", f.Label().c_str(),
                         static_cast<unsigned long>(hr));
            return 1;
        }
    }
    // The region and mutex the cameras opened, seen here as a second party sees them.
    CKernelHandle mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, QVL_REGION_NAME));
    CMappedView region(mapping.Get());
    CKernelHandle mutex(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, QVL_MUTEX_NAME));
    if (region.Get() == nullptr || region.Span() < fixtures.back()->bytes ||
        mutex.Get() == nullptr) {
        std::fprintf(stderr, "fill_bench: the camera's region or mutex cannot be opened\n");
        return 1;
    }

    for (const auto& f : fixtures) {
        Register("fill/" + f->Label(), Fill, f.get(), region.Get());
        Register("copy/" + f->Label(), Copy, f.get(), region.Get());
        Register("floor/" + f->Label(), Floor, f.get(), region.Get(), mutex.Get());
    }
    Register("mutex wait+release", MutexRoundTrip, mutex.Get());

    // Defaults first, so that the caller's own flags override them.
    std::vector<char*> args = {argv[0]};
    char repetitions[] = "--benchmark_repetitions=15";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_display_aggregates_only=true";
    char minTime[] = "--benchmark_min_time=0.05";
    args.insert(args.end(), {repetitions, interleave, aggregates, minTime});
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bool ok = !reporter.failed;
    std::printf("\n%-10s %14s %14s %14s %8s %8s\n", "size", "fill ns", "copy ns", "floor ns",
                "ratio", "/floor");
    std::vector<std::string> lines;
    for (const auto& f : fixtures) {
        const auto fill = reporter.medians.find("fill/" + f->Label());
        const auto copy = reporter.medians.find("copy/" + f->Label());
        const auto floor = reporter.medians.find("floor/" + f->Label());
        if (fill == reporter.medians.end() || copy == reporter.medians.end() ||
            floor == reporter.medians.end() || copy->second <= 0 || floor->second <= 0) {
            ok = false;
            continue;
        }
        const double ratio = fill->second / copy->second;
        const double overFloor = fill->second / floor->second;
        std::printf("%-10s %14.0f %14.0f %14.0f %8.3f %8.3f\n", f->Label().c_str(), fill->second,
                    copy->second, floor->second, ratio, overFloor);
        char line[200];
        std::snprintf(line, sizeof(line),
                      "bench: arch=%s case=fill size=%s fill_ns=%.0f "
                      "copy_ns=%.0f floor_ns=%.0f ratio=%.3f floor_ratio=%.3f",
                      kArch, f->Label().c_str(), fill->second, copy->second, floor->second, ratio,
                      overFloor);
        lines.push_back(line);
    }
    const auto mutexNs = reporter.medians.find("mutex wait+release");
    if (mutexNs != reporter.medians.end()) {
        std::printf("mutex wait+release alone: %.0f ns (median)\n", mutexNs->second);
    }
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
    }
    return ok ? 0 : 1;
}
