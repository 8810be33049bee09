// Host life cycles in the platform's graph: a thousand Run, Pause and Stop transitions in
// varied order while samples flow, with and without a clock, then a hundred graphs built, run,
// stopped and released. Afterwards the module holds no object, may be unloaded, and the
// process's handles and memory are back where a graph without the camera leaves them.
#include "camera_graph.h"
#include "process_handles.h"
#include "stress_helpers.h"
#include "stress_report.h"

#include "unknown.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <random>

using namespace std::chrono_literals;

namespace {

constexpr int transitions = 1000;
constexpr int graphs = 100;
// Wine's graph itself keeps one handle and some memory per graph released, so the camera's
// graphs are compared with as many graphs without the camera. A leak of one handle or one
// frame buffer per graph exceeds these by far; Wine's caches and threads come and go within.
constexpr long handleTolerance = 16;
constexpr SIZE_T memoryTolerance = 8 * 1024 * 1024;

const CLSID nullRendererClsid = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

struct Usage {
    long handles;
    SIZE_T memory; // Wine reports no PrivateUsage; PagefileUsage counts committed private pages
};

int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snapshot);
    return count;
}

// Wine's graph hands state changes to pool threads, which retire after some seconds idle,
// each with its stack; measuring waits until no more threads run than `threads`.
Usage Measure(int threads) {
    for (int waited = 0; ThreadCount() > threads && waited < 30000; waited += 100) {
        Sleep(100);
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return {OpenHandleCount(), counters.PagefileUsage};
}

// A graph without the camera, run and released: what the platform itself leaves behind.
void RunBareGraph() {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> renderer;
    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&graph)));
    ASSERT_EQ(S_OK, CoCreateInstance(nullRendererClsid, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&renderer)));
    ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"renderer"));
    ASSERT_EQ(S_OK, graph.As(&control));
    control->Run();
    control->Stop();
    graph->RemoveFilter(renderer.Get());
}

// Stamps hold their relation to the frame count through every transition.
void ExpectStampsConsistent(const std::vector<RecordedSample>& samples) {
    for (const RecordedSample& s : samples) {
        ASSERT_TRUE(s.start == s.mediaStart * defaultFrameTime &&
                    s.stop == s.start + defaultFrameTime && s.mediaStop == s.mediaStart + 1)
            << s.start << ".." << s.stop << " media " << s.mediaStart;
    }
}

const char* const names[] = {"Run", "Pause", "Stop"};

HRESULT Transition(CCameraGraph& graph, int op) {
    return op == 0 ? graph.Run() : op == 1 ? graph.Pause() : graph.Stop();
}

class HostLifeCycles : public ::testing::Test {
protected:
    // Transitions in random order on one graph, its second half with the default clock.
    void Transitions() {
        CSampleRecorder recorder;
        CCameraGraph graph(&recorder);
        ASSERT_EQ(S_OK, graph.BuildResult());
        CDropClockAtEnd dropClock(graph.Camera());
        std::mt19937 random(13);
        for (int i = 0; i < transitions; ++i) {
            if (i == transitions / 2) {
                ASSERT_EQ(S_OK, watchdog.Watch(0, "Stop", [&] { return graph.Stop(); }));
                ASSERT_EQ(S_OK, SetGraphClock(graph.Camera(), TestClock()));
            }
            const int op = static_cast<int>(random() % 3);
            ++counts[op];
            const HRESULT hr = watchdog.Watch(0, names[op], [&] { return Transition(graph, op); });
            ASSERT_TRUE(SUCCEEDED(hr)) << names[op] << " #" << i << ": " << std::hex << hr;
        }
        delivered = recorder.Samples().size();
        EXPECT_GT(delivered, 0u);
        ExpectStampsConsistent(recorder.Samples());
    }

    // Graphs built, run until a sample arrives, stopped and released; every other one clocked.
    void Graphs() {
        CSampleRecorder recorder;
        for (int i = 0; i < graphs; ++i) {
            CCameraGraph graph(&recorder);
            ASSERT_EQ(S_OK, graph.BuildResult());
            CDropClockAtEnd dropClock(graph.Camera());
            ASSERT_EQ(S_OK, (i % 2 == 1 ? SetGraphClock(graph.Camera(), TestClock())
                                        : SetGraphClock(graph.Camera(), nullptr)));
            const size_t before = recorder.Samples().size();
            ASSERT_TRUE(SUCCEEDED(watchdog.Watch(0, "Run", [&] { return graph.Run(); })));
            ASSERT_GT(recorder.WaitFor(before + 1, 10s).size(), before) << "graph " << i;
            ASSERT_EQ(S_OK, watchdog.Watch(0, "Stop", [&] { return graph.Stop(); }));
        }
    }

    CComScope com;
    CSettingsScope settings;
    CWatchdog watchdog{1};
    int counts[3] = {};
    size_t delivered = 0;
};

TEST_F(HostLifeCycles, ManyTransitionsAndGraphsLeaveNothingBehind) {
    {
        // The platform's first graph loads and keeps what it keeps; that is not ours.
        CSampleRecorder recorder;
        CCameraGraph warmUp(&recorder);
        ASSERT_EQ(S_OK, warmUp.BuildResult());
        ASSERT_TRUE(SUCCEEDED(warmUp.Run()));
        ASSERT_GE(recorder.WaitFor(2, 10s).size(), 2u);
    }
    RunBareGraph();
    const int threads = ThreadCount();
    const Usage start = Measure(threads);
    for (int i = 0; i < graphs + 1; ++i) {
        RunBareGraph();
    }
    const Usage bare = Measure(threads);
    Transitions();
    Graphs();
    const Usage camera = Measure(threads);

    EXPECT_EQ(0, CBaseObject::ObjectsActive());
    EXPECT_EQ(S_OK, DllCanUnloadNow());
    ASSERT_NE(-1, start.handles);
    const long bareHandles = bare.handles - start.handles;
    const long cameraHandles = camera.handles - bare.handles;
    const SIZE_T bareMemory = bare.memory - start.memory;
    const SIZE_T cameraMemory = camera.memory > bare.memory ? camera.memory - bare.memory : 0;
    EXPECT_LE(cameraHandles, bareHandles + handleTolerance);
    EXPECT_LE(cameraMemory, bareMemory + memoryTolerance);
    ReportRow("host: state transitions",
              std::to_string(counts[0]) + " Run, " + std::to_string(counts[1]) + " Pause, " +
                  std::to_string(counts[2]) + " Stop; half with a clock",
              std::to_string(delivered) + " samples, stamps consistent, none hung");
    ReportRow("host: graphs built, run, released", std::to_string(graphs) + ", half with a clock",
              "each delivered and stopped");
    ReportRow("host: leaks vs 101 bare graphs",
              "handles +" + std::to_string(cameraHandles) + " vs +" + std::to_string(bareHandles) +
                  ", KiB +" + std::to_string(cameraMemory / 1024) + " vs +" +
                  std::to_string(bareMemory / 1024),
              "0 live objects, DllCanUnloadNow S_OK, within " + std::to_string(handleTolerance) +
                  " handles / " + std::to_string(memoryTolerance >> 20) + " MiB");
}

} // namespace
