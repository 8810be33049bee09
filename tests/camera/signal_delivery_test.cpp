// A producer that says when each frame is complete: the camera delivers each such frame right
// after it is written, with its own stamps and rate, and every camera streaming at once does.
// The age of a picture is read from the order of events, not from a bound on time.
#include "camera_graph.h"

#include "qvl_sender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// The frame number in each sample's first pixel, as the streaming thread sees it.
class NumberTap : public FrameSink {
public:
    void OnFrame(const BYTE* data, long length) override {
        if (length >= 3) {
            const std::lock_guard<std::mutex> guard(lock);
            numbers.push_back(data[0] | data[1] << 8 | data[2] << 16);
        }
        arrived.notify_all();
    }
    // The numbers of the first `count` samples, or of all there are after `timeout`.
    std::vector<DWORD> WaitFor(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> guard(lock);
        arrived.wait_for(guard, timeout, [&] { return numbers.size() >= count; });
        return std::vector<DWORD>(numbers.begin(),
                                  numbers.begin() + std::min(count, numbers.size()));
    }

private:
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<DWORD> numbers;
};

// About the camera's rate: frame 2k through the sender library, which signals it, and half a
// frame later 2k + 1 written straight into the region under the mutex, without a signal. Its
// period is a sixtieth longer than the camera's frame, so that over sixty frames its writes
// fall at every phase of the camera's frame interval: a camera that delivers on its own ticks,
// whatever the producer says, carries an odd number about half the time.
class PhasedProducer {
public:
    ~PhasedProducer() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
        qvl_sender_close(sender);
    }
    bool Start() {
        qvl_camera_format format = {};
        if (qvl_sender_open(1000, &sender) != QVL_OK ||
            qvl_sender_format(sender, &format) != QVL_OK) {
            return false;
        }
        mapping.Reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, cameraRegionName));
        region.Map(mapping.Get());
        mutex.Reset(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, QVL_MUTEX_NAME));
        if (region.Get() == nullptr || mutex.Get() == nullptr) {
            return false;
        }
        pixels.assign(static_cast<size_t>(format.width) * format.height * 4, 0);
        frame = {pixels.data(),    pixels.size(), format.width, format.height,
                 format.width * 4, QVL_BOTTOM_UP, QVL_BGRX,     0};
        const std::chrono::microseconds period(1000000 / format.fps * 61 / 60);
        thread = std::thread([this, period] { Run(period); });
        return true;
    }

private:
    void Run(std::chrono::microseconds period) {
        const auto start = std::chrono::steady_clock::now();
        for (DWORD k = 1; !stop; ++k) {
            std::this_thread::sleep_until(start + k * period);
            Number(pixels.data(), 2 * k);
            qvl_sender_send(sender, &frame);
            std::this_thread::sleep_until(start + k * period + period / 2);
            const CMutexHold hold(mutex.Get(), 1000);
            if (hold.Held()) {
                Number(region.Get(), 2 * k + 1);
            }
        }
    }
    static void Number(BYTE* pixel, DWORD n) {
        pixel[0] = static_cast<BYTE>(n);
        pixel[1] = static_cast<BYTE>(n >> 8);
        pixel[2] = static_cast<BYTE>(n >> 16);
    }

    qvl_sender* sender = nullptr;
    std::vector<BYTE> pixels;
    qvl_frame frame = {};
    CKernelHandle mapping;
    CMappedView region;
    CKernelHandle mutex;
    std::atomic<bool> stop{false};
    std::thread thread;
};

// One capture program: a paced graph whose grabber alone takes the samples.
struct Capture {
    NumberTap tap;
    CSampleRecorder recorder{
        CSampleRecorder::Options{defaultFrameTime, 320 * 240 * 4, false, false, &tap}};
    CCameraGraph graph{&recorder, CameraGraphOptions{true, false}};
};

// Of `count` samples after the first ten: each signalled frame from the first to the last
// that arrived (every frame), and few unsignalled ones (each picture went right after its
// frame was written, before the next write); stamps n x frame time throughout.
void ExpectEveryFrameAsWritten(Capture& capture, size_t count) {
    std::vector<DWORD> numbers = capture.tap.WaitFor(10 + count, 20s);
    ASSERT_EQ(10 + count, numbers.size());
    numbers.erase(numbers.begin(), numbers.begin() + 10);
    std::string carried;
    for (DWORD n : numbers) {
        carried += std::to_string(n) + " ";
    }
    SCOPED_TRACE("frames carried: " + carried);
    const auto odd = std::count_if(numbers.begin(), numbers.end(), [](DWORD n) { return n % 2; });
    EXPECT_LE(odd, static_cast<long>(count / 10)) << "pictures waited for the camera's tick";
    std::vector<DWORD> even;
    std::copy_if(numbers.begin(), numbers.end(), std::back_inserter(even),
                 [](DWORD n) { return n % 2 == 0 && n > 0; });
    std::sort(even.begin(), even.end());
    even.erase(std::unique(even.begin(), even.end()), even.end());
    ASSERT_FALSE(even.empty());
    EXPECT_EQ((even.back() - even.front()) / 2 + 1, even.size()) << "frames were missed";
    EXPECT_EQ(0u, capture.recorder.Read().Faults());
}

class SignalledDelivery : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_FALSE(CameraRegionExists()) << "the test left the region behind";
    }

    CComScope com;
    CSettingsScope settings;
};

TEST_F(SignalledDelivery, EachPictureGoesRightAfterItIsWritten) {
    Capture capture;
    ASSERT_EQ(S_OK, capture.graph.BuildResult());
    PhasedProducer producer;
    ASSERT_TRUE(producer.Start());
    ASSERT_TRUE(SUCCEEDED(capture.graph.Run()));
    ExpectEveryFrameAsWritten(capture, 60);
}

TEST_F(SignalledDelivery, TwoCapturesAtOnceEachGetEveryFrame) {
    auto first = std::make_unique<Capture>();
    auto second = std::make_unique<Capture>();
    ASSERT_EQ(S_OK, first->graph.BuildResult());
    ASSERT_EQ(S_OK, second->graph.BuildResult());
    PhasedProducer producer;
    ASSERT_TRUE(producer.Start());
    ASSERT_TRUE(SUCCEEDED(first->graph.Run()));
    ASSERT_TRUE(SUCCEEDED(second->graph.Run()));
    ExpectEveryFrameAsWritten(*first, 60);
    ExpectEveryFrameAsWritten(*second, 60);
}

} // namespace
