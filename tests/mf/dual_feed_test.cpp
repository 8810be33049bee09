// One producer feeds both cameras at once: the DirectShow camera through its graph and the
// Windows 11 camera through the source reader each receive its numbered frames as they come.
#include "camera_graph.h"

#include "mf_support.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

constexpr long width = QVL_DEFAULT_WIDTH;
constexpr long height = QVL_DEFAULT_HEIGHT;

// The numbers in the DirectShow camera's samples (bottom-up: the top-left pixel is in the
// last row).
class NumberTap : public FrameSink {
public:
    void OnFrame(const BYTE* data, long length) override {
        if (length >= width * height * 4) {
            const std::lock_guard<std::mutex> guard(lock);
            numbers.push_back(NumberIn(data + (height - 1) * width * 4));
        }
    }
    std::vector<DWORD> Numbers() {
        const std::lock_guard<std::mutex> guard(lock);
        return numbers;
    }

private:
    std::mutex lock;
    std::vector<DWORD> numbers;
};

TEST(DualFeed, BothCamerasReceiveTheSameProducersFramesAtOnce) {
    CComScope com;
    MfScope mf;
    ASSERT_HRESULT_SUCCEEDED(mf.Result());
    HRESULT created = E_FAIL;
    ComPtr<IMFMediaSource> source = CreateMediaSource(&created);
    ASSERT_HRESULT_SUCCEEDED(created);
    NumberTap tap;
    CSampleRecorder recorder{
        CSampleRecorder::Options{defaultFrameTime, width * height * 4, false, false, &tap}};
    CCameraGraph graph{&recorder, CameraGraphOptions{true, false}};
    ASSERT_EQ(S_OK, graph.BuildResult());
    NumberedProducer producer(QVL_DEFAULT_FPS);
    ASSERT_TRUE(producer.Start());
    ComPtr<IMFSourceReader> reader;
    ASSERT_HRESULT_SUCCEEDED(MFCreateSourceReaderFromMediaSource(source.Get(), nullptr, &reader));
    ASSERT_HRESULT_SUCCEEDED(graph.Run());

    std::vector<DWORD> numbers;
    for (int i = 0; i < 60; ++i) {
        ComPtr<IMFSample> sample;
        ComPtr<IMFMediaBuffer> buffer;
        DWORD stream = 0, flags = 0;
        LONGLONG time = 0;
        ASSERT_HRESULT_SUCCEEDED(
            reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &stream,
                               &flags, &time, &sample));
        ASSERT_TRUE(sample);
        ASSERT_HRESULT_SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer));
        BYTE* data = nullptr;
        ASSERT_HRESULT_SUCCEEDED(buffer->Lock(&data, nullptr, nullptr));
        if (i >= 10) {
            numbers.push_back(NumberIn(data));
        }
        buffer->Unlock();
    }
    graph.Stop();
    std::vector<DWORD> shown = tap.Numbers();
    shown.erase(shown.begin(), shown.begin() + std::min<size_t>(10, shown.size()));
    SCOPED_TRACE("DirectShow camera");
    ExpectFreshInOrder(shown);
    SCOPED_TRACE("Windows 11 camera");
    ExpectFreshInOrder(numbers);
    // At once: each saw frames of the same stretch of the producer's run.
    ASSERT_FALSE(shown.empty());
    EXPECT_LT(shown.front(), numbers.back());
    EXPECT_LT(numbers.front(), shown.back());
    reader.Reset();
    source->Shutdown();
}

} // namespace
