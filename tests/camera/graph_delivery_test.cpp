// End to end in the platform's filter graph: the frames a producer process writes into the
// camera's real region arrive at the sample grabber with stamps that follow the frame count;
// with the graph's clock the camera keeps its frame rate, without one it runs free.
#include "camera_graph.h"

#include "lib/producer_process.h"
#include "producer/producer_protocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr DWORD frameBytes = 320 * 240 * 4;
constexpr DWORD producerWaitMs = 20000;

DWORD PatternDigest(BYTE fill) {
    std::vector<BYTE> frame(frameBytes);
    for (DWORD i = 0; i < frameBytes; ++i) {
        frame[i] = producer::PatternByte(fill, i);
    }
    return Digest(frame.data(), frame.size());
}

// The producer's pattern over the first `patterned` bytes, zeros after.
DWORD PartialPatternDigest(BYTE fill, DWORD patterned) {
    std::vector<BYTE> frame(frameBytes, 0);
    for (DWORD i = 0; i < patterned; ++i) {
        frame[i] = producer::PatternByte(fill, i);
    }
    return Digest(frame.data(), frame.size());
}

DWORD ZeroDigest() {
    return PartialPatternDigest(0, 0);
}

ProducerOptions FrameProducer(BYTE fill, DWORD holdMs) {
    return {TEST_PRODUCER_EXE, cameraRegionName, frameBytes, fill, holdMs, false};
}

// Writes one frame under the mutex and ends; true once it has.
bool ProduceFrame(BYTE fill) {
    CProducerProcess producer(FrameProducer(fill, producerWaitMs));
    if (!producer.WaitReady(producerWaitMs)) {
        return false;
    }
    producer.Release();
    DWORD exitCode = 1;
    return producer.WaitExit(producerWaitMs, &exitCode) && exitCode == producer::exitOk;
}

// A producer that writes a frame, holds the mutex over it for `holdMs` and ends; true once it
// has.
bool HoldMutexOverFrame(BYTE fill, DWORD holdMs) {
    CProducerProcess producer(FrameProducer(fill, holdMs));
    DWORD exitCode = 1;
    return producer.WaitReady(producerWaitMs) && producer.WaitExit(producerWaitMs, &exitCode);
}

// The index of the first sample that carries `digest`, or the number of samples.
size_t FirstWith(const std::vector<RecordedSample>& samples,
                 decltype(RecordedSample::digest) digest) {
    size_t i = 0;
    while (i < samples.size() && samples[i].digest != digest) {
        ++i;
    }
    return i;
}

// Each sample follows the one before: sample n of a run covers [n, n + 1) frames.
void ExpectStampedFrom(const std::vector<RecordedSample>& samples, size_t first,
                       LONGLONG firstFrame) {
    for (size_t i = first; i < samples.size(); ++i) {
        const LONGLONG n = firstFrame + static_cast<LONGLONG>(i - first);
        const RecordedSample& s = samples[i];
        SCOPED_TRACE(i);
        ASSERT_EQ(n * defaultFrameTime, s.start);
        ASSERT_EQ((n + 1) * defaultFrameTime, s.stop);
        ASSERT_EQ(n, s.mediaStart);
        ASSERT_EQ(n + 1, s.mediaStop);
        ASSERT_TRUE(s.syncPoint);
        ASSERT_FALSE(s.discontinuity);
        ASSERT_EQ(static_cast<LONG>(frameBytes), s.size);
    }
}

class CameraGraph : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_FALSE(CameraRegionExists()) << "the test left the region behind";
    }

    CComScope com;
    CSettingsScope settings;
    CSampleRecorder recorder;
};

TEST_F(CameraGraph, SamplesCarryTheProducersFrames) {
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(ProduceFrame(7));
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    std::vector<RecordedSample> samples = recorder.WaitFor(10, 10s);
    ASSERT_GE(samples.size(), 10u);
    ExpectStampedFrom(samples, 0, 0);
    for (const RecordedSample& s : samples) {
        ASSERT_EQ(PatternDigest(7), s.digest);
    }

    // A new frame shows up in the samples that follow it, while the stamps run on.
    ASSERT_TRUE(ProduceFrame(99));
    const size_t before = recorder.Samples().size();
    samples = recorder.WaitFor(before + 5, 10s);
    ASSERT_GE(samples.size(), before + 5);
    EXPECT_EQ(PatternDigest(99), samples.back().digest);
    ExpectStampedFrom(samples, 0, 0);
}

TEST_F(CameraGraph, StopRestartsStampsAndPauseContinuesThem) {
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_GE(recorder.WaitFor(5, 10s).size(), 5u);
    ASSERT_TRUE(SUCCEEDED(graph.Pause()));
    const size_t paused = recorder.Samples().size();
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    std::vector<RecordedSample> samples = recorder.WaitFor(paused + 5, 10s);
    ASSERT_GE(samples.size(), paused + 5);
    ExpectStampedFrom(samples, 0, 0);

    ASSERT_EQ(S_OK, graph.Stop());
    recorder.Clear();
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    samples = recorder.WaitFor(5, 10s);
    ASSERT_GE(samples.size(), 5u);
    ExpectStampedFrom(samples, 0, 0);
}

TEST_F(CameraGraph, WithoutProducerFramesAreBlack) {
    ASSERT_FALSE(CameraRegionExists());
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    const std::vector<RecordedSample> samples = recorder.WaitFor(5, 10s);
    ASSERT_GE(samples.size(), 5u);
    ExpectStampedFrom(samples, 0, 0);
    for (const RecordedSample& s : samples) {
        ASSERT_EQ(ZeroDigest(), s.digest);
    }
}

TEST_F(CameraGraph, RegionSmallerThanAFrameFillsOnlyWhatItHolds) {
    // A producer that came first made the region ten pages long; the camera opens that one.
    constexpr DWORD regionBytes = 10 * 4096;
    ProducerOptions options = FrameProducer(21, producerWaitMs);
    options.regionSize = regionBytes;
    std::unique_ptr<CProducerProcess> producer = std::make_unique<CProducerProcess>(options);
    ASSERT_TRUE(producer->WaitReady(producerWaitMs));
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    producer.reset();
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    const std::vector<RecordedSample> samples = recorder.WaitFor(3, 10s);
    ASSERT_GE(samples.size(), 3u);
    ExpectStampedFrom(samples, 0, 0);
    for (const RecordedSample& s : samples) {
        ASSERT_EQ(PartialPatternDigest(21, regionBytes), s.digest);
    }
}

TEST_F(CameraGraph, ProducerHoldingTheMutexDelaysOneFill) {
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_GE(recorder.WaitFor(3, 10s).size(), 3u);
    // Holds the mutex over its new frame for 6 s, past the fill's 5 s limit.
    ASSERT_TRUE(HoldMutexOverFrame(42, 6000));
    const size_t released = recorder.Samples().size();
    const std::vector<RecordedSample> samples = recorder.WaitFor(released + 5, 10s);
    ASSERT_GE(samples.size(), released + 5);
    ExpectStampedFrom(samples, 0, 0);

    const size_t firstNew = FirstWith(samples, PatternDigest(42));
    ASSERT_LT(firstNew, samples.size());
    ASSERT_GE(firstNew, 2u);
    // The fill that gave up waiting still went out, five seconds late, with the old picture.
    const RecordedSample& timedOut = samples[firstNew - 1];
    EXPECT_EQ(ZeroDigest(), timedOut.digest);
    EXPECT_GE(timedOut.arrivedMs - samples[firstNew - 2].arrivedMs, 4500u);
    for (size_t i = firstNew; i < samples.size(); ++i) {
        ASSERT_EQ(PatternDigest(42), samples[i].digest);
    }
}

TEST_F(CameraGraph, StopDuringAFiveSecondMutexHoldDoesNotWaitForIt) {
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_GE(recorder.WaitFor(3, 10s).size(), 3u);
    CProducerProcess producer(FrameProducer(42, 5000));
    ASSERT_TRUE(producer.WaitReady(producerWaitMs));
    Sleep(200); // the camera's next fill now waits for the mutex
    const DWORD before = GetTickCount();
    EXPECT_EQ(S_OK, graph.Stop());
    // Half the hold: a Stop that waited for the mutex would take the rest of it.
    EXPECT_LT(GetTickCount() - before, 2500u);
}

// Real-time delivery: the graph keeps its clock, and the sample grabber is the only sink, so
// nothing downstream holds a sample back; the pace is the camera's own. Time is only bounded
// from below, which load cannot break (except where a bound on Stop is the point).
class RealTimeDelivery : public CameraGraph {
protected:
    static constexpr CameraGraphOptions paced{true, false};
};

TEST_F(RealTimeDelivery, AGrabberAloneGetsTheNominalRate) {
    CCameraGraph graph(&recorder, paced);
    ASSERT_EQ(S_OK, graph.BuildResult());
    constexpr size_t count = 30; // 1.2 s at 25 fps
    const DWORD started = GetTickCount();
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    const std::vector<RecordedSample> samples = recorder.WaitFor(count, 20s);
    ASSERT_GE(samples.size(), count);
    ExpectStampedFrom(samples, 0, 0);
    // Sample n is due n frames after the start; a frame of slack covers where Run set it.
    for (size_t n = 1; n < count; ++n) {
        SCOPED_TRACE(n);
        EXPECT_GE(samples[n].arrivedMs - started, (n - 1) * 40u);
    }
    EXPECT_GE(samples[count - 1].arrivedMs - started, (count - 2) * 40u);
}

TEST_F(RealTimeDelivery, StopDuringALongFrameIntervalReturnsPromptly) {
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_FPS, 1));
    CCameraGraph graph(&recorder, paced);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_EQ(10000000, StreamOf(graph.Camera())->FrameTime());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_GE(recorder.WaitFor(1, 10s).size(), 1u);
    Sleep(100); // the camera now waits for the next second's sample
    const DWORD before = GetTickCount();
    EXPECT_EQ(S_OK, graph.Stop());
    EXPECT_LT(GetTickCount() - before, 500u);
}

TEST_F(RealTimeDelivery, PausedDeliversOneSampleUntilRun) {
    CCameraGraph graph(&recorder, paced);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Pause()));
    ASSERT_GE(recorder.WaitFor(1, 10s).size(), 1u);
    Sleep(500); // a dozen frame times
    EXPECT_EQ(1u, recorder.Samples().size());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    const std::vector<RecordedSample> samples = recorder.WaitFor(5, 10s);
    ASSERT_GE(samples.size(), 5u);
    ExpectStampedFrom(samples, 0, 0);
}

TEST_F(RealTimeDelivery, AfterAProducerStallDeliveryGoesOnWithoutABurst) {
    CCameraGraph graph(&recorder, paced);
    ASSERT_EQ(S_OK, graph.BuildResult());
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    ASSERT_GE(recorder.WaitFor(3, 10s).size(), 3u);
    // Holds the mutex over its new frame for 6 s: about 150 frames fall due meanwhile.
    ASSERT_TRUE(HoldMutexOverFrame(42, 6000));
    const size_t released = recorder.Samples().size();
    const std::vector<RecordedSample> samples = recorder.WaitFor(released + 15, 20s);
    ASSERT_GE(samples.size(), released + 15);
    ExpectStampedFrom(samples, 0, 0);

    const size_t firstNew = FirstWith(samples, PatternDigest(42));
    ASSERT_LT(firstNew + 10, samples.size());
    // The ten samples after the stall come at the frame rate, not in a burst of those missed.
    EXPECT_GE(samples[firstNew + 10].arrivedMs - samples[firstNew].arrivedMs, 8 * 40u);
}

TEST_F(RealTimeDelivery, WithoutAClockDeliveryRunsFree) {
    // Small frames at 5 fps: 25 samples would take 5 s at the nominal rate.
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_WIDTH, 64));
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_HEIGHT, 48));
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_FPS, 5));
    CCameraGraph graph(&recorder, {false, false});
    ASSERT_EQ(S_OK, graph.BuildResult());
    const DWORD started = GetTickCount();
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    const std::vector<RecordedSample> samples = recorder.WaitFor(25, 20s);
    ASSERT_GE(samples.size(), 25u);
    EXPECT_LT(samples[24].arrivedMs - started, 24 * 200u);
}

} // namespace
