// Producer faults while the camera streams in the platform's graph: none running, one that
// holds the mutex past the fill's limit, one that dies holding it, a region smaller than a
// frame, and one that writes flat out. The stream goes on, Stop works, and every sample is one
// whole frame with the next stamps.
#include "camera_graph.h"
#include "producer_thread.h"
#include "qvl_protocol.h"
#include "stress_helpers.h"
#include "stress_report.h"

#include <gtest/gtest.h>

#include <set>

using namespace std::chrono_literals;

namespace {

constexpr DWORD frameBytes = QVL_DEFAULT_WIDTH * QVL_DEFAULT_HEIGHT * QVL_BYTES_PER_PIXEL;
using Mode = CProducerThread::Mode;

class ProducerFaults : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_FALSE(CameraRegionExists()); }

    // Samples keep coming after `before`, and the whole run so far is consecutive.
    std::vector<RecordedSample> ExpectStreamGoesOn(size_t more) {
        const size_t before = recorder.Samples().size();
        std::vector<RecordedSample> samples = recorder.WaitFor(before + more, 20s);
        EXPECT_GE(samples.size(), before + more) << "the stream stopped";
        ExpectWholeRun(samples, defaultFrameTime, frameBytes);
        return samples;
    }

    CComScope com;
    CSettingsScope settings;
    CSampleRecorder recorder;
};

TEST_F(ProducerFaults, NoneRunningGivesBlackFrames) {
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    for (const RecordedSample& s : ExpectStreamGoesOn(10)) {
        ASSERT_EQ(UniformDigest(0, frameBytes), s.digest);
    }
    ReportRow("producer: none running", "10 samples", "black frames, stamps n x 400000");
}

TEST_F(ProducerFaults, HoldingTheMutexSixSecondsDelaysOneFillAndStopStillWorks) {
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ExpectStreamGoesOn(3);
    {
        CProducerThread producer(Mode::Hold, QVL_REGION_SIZE, frameBytes, 42, 6000);
        ASSERT_TRUE(producer.WaitReady(10000));
        const DWORD held = GetTickCount();
        const std::vector<RecordedSample> samples = ExpectStreamGoesOn(3);
        // One fill gave up after its 5 s wait and went out; the next ones see the new frame.
        EXPECT_GE(GetTickCount() - held, 4500u);
        EXPECT_EQ(UniformDigest(42, frameBytes), samples.back().digest);
    }
    CProducerThread producer(Mode::Hold, QVL_REGION_SIZE, frameBytes, 43, 6000);
    ASSERT_TRUE(producer.WaitReady(10000));
    CWatchdog watchdog(1);
    EXPECT_EQ(S_OK, watchdog.Watch(0, "Stop while the producer holds the mutex",
                                   [&] { return graph.Stop(); }));
    ReportRow("producer: holds mutex 6 s", "2 holds; Stop during the second",
              "one fill waited ~5 s, stream went on, Stop returned");
}

TEST_F(ProducerFaults, ExitingWhileHoldingTheMutexLeavesTheStreamGoing) {
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ExpectStreamGoesOn(3);
    {
        CProducerThread producer(Mode::ExitHolding, QVL_REGION_SIZE, frameBytes, 77, 0);
        ASSERT_TRUE(producer.WaitReady(10000));
    }
    // The abandoned mutex is granted to the camera, which then sees the dead producer's frame.
    EXPECT_EQ(UniformDigest(77, frameBytes), ExpectStreamGoesOn(5).back().digest);
    EXPECT_EQ(S_OK, graph.Stop());
    ReportRow("producer: exits holding mutex", "1 abandoned mutex", "stream went on, Stop ok");
}

TEST_F(ProducerFaults, RegionSmallerThanAFrameIsCopiedNoFurtherThanItsEnd) {
    constexpr DWORD regionBytes = 10 * 4096;
    CProducerThread producer(Mode::Hold, regionBytes, frameBytes, 9, 0);
    ASSERT_TRUE(producer.WaitReady(10000));
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    producer.Stop();
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    std::vector<BYTE> expected(frameBytes, 0);
    std::fill(expected.begin(), expected.begin() + regionBytes, BYTE{9});
    for (const RecordedSample& s : ExpectStreamGoesOn(5)) {
        ASSERT_EQ(Digest(expected.data(), expected.size()), s.digest);
    }
    ReportRow("producer: region of 40960 bytes", "5 samples of 307200 bytes",
              "region copied, rest of the buffer untouched");
}

TEST_F(ProducerFaults, FlatOutWriterNeverShowsAMixOfTwoFrames) {
    std::set<DWORD> whole;
    for (int value = 1; value <= 255; ++value) {
        whole.insert(UniformDigest(static_cast<BYTE>(value), frameBytes));
    }
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    CProducerThread producer(Mode::FlatOut, QVL_REGION_SIZE, frameBytes, 1, 0);
    ASSERT_TRUE(producer.WaitReady(10000));
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    const std::vector<RecordedSample> samples = ExpectStreamGoesOn(200);
    EXPECT_EQ(S_OK, graph.Stop());
    producer.Stop();
    std::set<DWORD> seen;
    for (const RecordedSample& s : samples) {
        ASSERT_EQ(1u, whole.count(s.digest)) << "a sample mixed two frames";
        seen.insert(s.digest);
    }
    EXPECT_GT(seen.size(), 1u) << "the producer never got between two fills";
    ReportRow("producer: writes flat out",
              std::to_string(samples.size()) + " samples vs " + std::to_string(producer.Frames()) +
                  " frames written",
              std::to_string(seen.size()) + " distinct frames, none mixed");
}

} // namespace
