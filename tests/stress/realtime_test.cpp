// Real-time delivery under faults, with the platform's clock: the clock removed and replaced
// while running, a downstream filter slower than the frame rate, Stop while the worker waits
// for a frame's time at 1 fps, and Pause and Run in quick succession. The stamps stay
// n x frame time and nothing hangs.
#include "camera_graph.h"
#include "qvl_protocol.h"
#include "stress_helpers.h"
#include "stress_report.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

constexpr LONG frameBytes = QVL_DEFAULT_WIDTH * QVL_DEFAULT_HEIGHT * QVL_BYTES_PER_PIXEL;

// Holds every sample for longer than a frame interval before it lets it go.
class CSlowRecorder : public CSampleRecorder {
public:
    STDMETHODIMP SampleCB(double time, IMediaSample* sample) override {
        Sleep(60);
        return CSampleRecorder::SampleCB(time, sample);
    }
};

// With and without the null renderer: a renderer holds each sample until its time, a capture
// program's sink takes it at once and leaves the pacing to the camera.
class RealTimeFaults : public ::testing::TestWithParam<bool> {
protected:
    CameraGraphOptions Options() const {
        CameraGraphOptions options;
        options.renderer = GetParam();
        return options;
    }
    std::string Sink() const { return GetParam() ? " (renderer)" : " (grabber only)"; }

    // Runs `step` under the watchdog and expects it to succeed.
    void Step(const char* name, const std::function<HRESULT()>& step) {
        const HRESULT hr = watchdog.Watch(0, name, step);
        EXPECT_TRUE(SUCCEEDED(hr)) << name << ": " << std::hex << hr;
    }
    static std::vector<RecordedSample> More(CSampleRecorder& recorder, size_t more) {
        const size_t before = recorder.Samples().size();
        std::vector<RecordedSample> samples = recorder.WaitFor(before + more, 20s);
        EXPECT_GE(samples.size(), before + more) << "the stream stopped";
        return samples;
    }

    CComScope com;
    CSettingsScope settings;
    CWatchdog watchdog{1};
};

TEST_P(RealTimeFaults, ClockRemovedAndReplacedWhileRunning) {
    CSampleRecorder recorder;
    CCameraGraph graph(&recorder, Options());
    ASSERT_EQ(S_OK, graph.BuildResult());
    CDropClockAtEnd dropClock(graph.Camera());
    ASSERT_EQ(S_OK, SetGraphClock(graph.Camera(), TestClock()));
    Step("Run", [&] { return graph.Run(); });
    More(recorder, 5);
    Step("SetSyncSource(NULL) while running",
         [&] { return SetGraphClock(graph.Camera(), nullptr); });
    More(recorder, 5);
    Step("SetSyncSource(new clock) while running",
         [&] { return SetGraphClock(graph.Camera(), TestClock(1)); });
    const std::vector<RecordedSample> samples = More(recorder, 5);
    Step("Stop", [&] { return graph.Stop(); });
    ExpectWholeRun(samples, 400000, frameBytes);
    ReportRow("real time: clock removed, replaced" + Sink(), "while running at 25 fps",
              std::to_string(samples.size()) + " samples, stamps n x frame time");
}

TEST_P(RealTimeFaults, DownstreamSlowerThanTheFrameRate) {
    CSlowRecorder recorder;
    CCameraGraph graph(&recorder, Options());
    ASSERT_EQ(S_OK, graph.BuildResult());
    CDropClockAtEnd dropClock(graph.Camera());
    ASSERT_EQ(S_OK, SetGraphClock(graph.Camera(), TestClock()));
    Step("Run", [&] { return graph.Run(); });
    const std::vector<RecordedSample> samples = More(recorder, 15);
    Step("Stop with a slow downstream", [&] { return graph.Stop(); });
    ExpectWholeRun(samples, 400000, frameBytes);
    ReportRow("real time: downstream holds 60 ms" + Sink(), "25 fps, 40 ms frames",
              std::to_string(samples.size()) + " samples, stamps n x frame time");
}

TEST_P(RealTimeFaults, StopWhileWaitingForAFramesTimeAtOneFps) {
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_FPS, 1));
    CSampleRecorder recorder;
    CCameraGraph graph(&recorder, Options());
    ASSERT_EQ(S_OK, graph.BuildResult());
    CDropClockAtEnd dropClock(graph.Camera());
    ASSERT_EQ(S_OK, SetGraphClock(graph.Camera(), TestClock()));
    for (int round = 0; round < 3; ++round) {
        recorder.Clear();
        Step("Run", [&] { return graph.Run(); });
        // The first sample is due at once, each next one a second later.
        const std::vector<RecordedSample> samples = More(recorder, round == 0 ? 2 : 1);
        ExpectWholeRun(samples, 10000000, frameBytes);
        if (samples.size() >= 2) {
            EXPECT_GE(samples[1].arrivedMs - samples[0].arrivedMs, 900u) << "not paced";
        }
        Step("Stop while the worker waits for a frame's time", [&] { return graph.Stop(); });
    }
    ReportRow("real time: Stop while waiting" + Sink(), "3 x at 1 fps",
              "paced 1 s apart, Stop returned, stamps from 0");
}

TEST_P(RealTimeFaults, PauseAndRunInQuickSuccession) {
    CSampleRecorder recorder;
    CCameraGraph graph(&recorder, Options());
    ASSERT_EQ(S_OK, graph.BuildResult());
    CDropClockAtEnd dropClock(graph.Camera());
    ASSERT_EQ(S_OK, SetGraphClock(graph.Camera(), TestClock()));
    Step("Run", [&] { return graph.Run(); });
    for (int i = 0; i < 50; ++i) {
        Step("Pause", [&] { return graph.Pause(); });
        Step("Run", [&] { return graph.Run(); });
    }
    const std::vector<RecordedSample> samples = More(recorder, 5);
    Step("Stop", [&] { return graph.Stop(); });
    ExpectWholeRun(samples, 400000, frameBytes);
    ReportRow("real time: Pause/Run back to back" + Sink(), "50 pairs at 25 fps",
              std::to_string(samples.size()) + " samples, stamps run on");
}

INSTANTIATE_TEST_SUITE_P(Sinks, RealTimeFaults, ::testing::Bool());

} // namespace
