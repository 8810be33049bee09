// The Windows 11 camera through the platform's source reader, fed by a producer that signals
// each numbered frame through the sender: what the system reads before streaming, then the
// pictures, their order and stamps, in both of the camera's formats.
#include "mf_support.h"
#include "settings_scope.h"

#include "frame_fill.h"
#include "mf_declarations.h"
#include "qvl_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr long width = QVL_DEFAULT_WIDTH;
constexpr long height = QVL_DEFAULT_HEIGHT;
constexpr LONGLONG frameTime = 10000000 / QVL_DEFAULT_FPS;

class SourceReader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(mf.Result());
        source = CreateMediaSource(&created);
        ASSERT_HRESULT_SUCCEEDED(created);
    }
    void TearDown() override {
        reader.Reset();
        if (source) {
            source->Shutdown();
        }
    }
    // A reader of the source; NV12 asked for when `nv12`.
    void OpenReader(bool nv12) {
        ASSERT_HRESULT_SUCCEEDED(
            MFCreateSourceReaderFromMediaSource(source.Get(), nullptr, &reader));
        if (nv12) {
            ComPtr<IMFMediaType> type;
            ASSERT_HRESULT_SUCCEEDED(reader->GetNativeMediaType(0, 1, &type));
            ASSERT_HRESULT_SUCCEEDED(reader->SetCurrentMediaType(0, nullptr, type.Get()));
        }
    }
    // The next sample's bytes (contiguous) and time.
    void Read(std::vector<BYTE>* bytes, LONGLONG* time) {
        ComPtr<IMFSample> sample;
        DWORD stream = 0;
        DWORD flags = 0;
        ASSERT_HRESULT_SUCCEEDED(
            reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &stream,
                               &flags, time, &sample));
        ASSERT_TRUE(sample);
        ComPtr<IMFMediaBuffer> buffer;
        ASSERT_HRESULT_SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer));
        BYTE* data = nullptr;
        DWORD length = 0;
        ASSERT_HRESULT_SUCCEEDED(buffer->Lock(&data, nullptr, &length));
        bytes->assign(data, data + length);
        buffer->Unlock();
    }

    CSettingsScope settings; // the user's format: the default, as the machine's
    MfScope mf;
    HRESULT created = E_FAIL;
    ComPtr<IMFMediaSource> source;
    ComPtr<IMFSourceReader> reader;
};

TEST_F(SourceReader, DescribesItsStreamAndBothTypesBeforeAnyProducer) {
    ComPtr<IMFPresentationDescriptor> presentation;
    ASSERT_HRESULT_SUCCEEDED(source->CreatePresentationDescriptor(&presentation));
    BOOL selected = FALSE;
    ComPtr<IMFStreamDescriptor> stream;
    ASSERT_HRESULT_SUCCEEDED(presentation->GetStreamDescriptorByIndex(0, &selected, &stream));
    EXPECT_TRUE(selected);
    GUID category = GUID_NULL;
    UINT32 id = 99;
    UINT32 shared = 0;
    EXPECT_HRESULT_SUCCEEDED(stream->GetGUID(MF_DEVICESTREAM_STREAM_CATEGORY, &category));
    EXPECT_TRUE(category == videoCapturePin);
    EXPECT_HRESULT_SUCCEEDED(stream->GetUINT32(MF_DEVICESTREAM_STREAM_ID, &id));
    EXPECT_EQ(0u, id);
    EXPECT_HRESULT_SUCCEEDED(stream->GetUINT32(MF_DEVICESTREAM_FRAMESERVER_SHARED, &shared));
    EXPECT_EQ(1u, shared);

    ComPtr<IMFMediaTypeHandler> handler;
    ASSERT_HRESULT_SUCCEEDED(stream->GetMediaTypeHandler(&handler));
    DWORD count = 0;
    ASSERT_HRESULT_SUCCEEDED(handler->GetMediaTypeCount(&count));
    ASSERT_EQ(2u, count);
    const GUID subtypes[] = {MFVideoFormat_RGB32, MFVideoFormat_NV12};
    const UINT32 strides[] = {width * 4, width};
    for (DWORD i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        ComPtr<IMFMediaType> type;
        ASSERT_HRESULT_SUCCEEDED(handler->GetMediaTypeByIndex(i, &type));
        GUID subtype = GUID_NULL;
        UINT32 w = 0, h = 0, numerator = 0, denominator = 0, stride = 0;
        type->GetGUID(MF_MT_SUBTYPE, &subtype);
        EXPECT_TRUE(subtype == subtypes[i]);
        MFGetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, &w, &h);
        EXPECT_EQ(width, static_cast<long>(w));
        EXPECT_EQ(height, static_cast<long>(h));
        MFGetAttributeRatio(type.Get(), MF_MT_FRAME_RATE, &numerator, &denominator);
        EXPECT_EQ(static_cast<UINT32>(QVL_DEFAULT_FPS), numerator / denominator);
        EXPECT_HRESULT_SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride));
        EXPECT_EQ(strides[i], stride) << "positive: rows top-down";
    }
}

TEST_F(SourceReader, DeliversEachFreshFrameInOrderTopDownOneFrameTimeApart) {
    NumberedProducer producer(QVL_DEFAULT_FPS);
    ASSERT_TRUE(producer.Start());
    OpenReader(false);
    std::vector<BYTE> bytes;
    std::vector<DWORD> numbers;
    std::vector<LONGLONG> times;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 110; ++i) {
        LONGLONG time = 0;
        ASSERT_NO_FATAL_FAILURE(Read(&bytes, &time));
        ASSERT_EQ(static_cast<size_t>(width * height * 4), bytes.size());
        if (i < 10) {
            continue; // the producer and the camera find each other's pace
        }
        numbers.push_back(NumberIn(&bytes[0]));
        times.push_back(time);
        // The first row in memory is the picture's top.
        EXPECT_EQ(PictureColours::top[2], bytes[4 + 2]);
        EXPECT_EQ(PictureColours::bottom[0], bytes[(height - 1) * width * 4]);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 109.0 / QVL_DEFAULT_FPS * 0.9) << "paced at the camera's rate";
    ExpectFreshInOrder(numbers);
    std::vector<LONGLONG> steps;
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], frameTime);
        steps.push_back(times[i] - times[i - 1]);
    }
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    EXPECT_EQ(frameTime, steps[steps.size() / 2]) << "stamps one frame time apart";
}

TEST_F(SourceReader, Nv12LumaIsTheProducersPicture) {
    NumberedProducer producer(QVL_DEFAULT_FPS);
    ASSERT_TRUE(producer.Start());
    OpenReader(true);
    std::vector<BYTE> bytes;
    LONGLONG time = 0;
    for (int i = 0; i < 5; ++i) {
        ASSERT_NO_FATAL_FAILURE(Read(&bytes, &time));
    }
    ASSERT_EQ(static_cast<size_t>(width * height * 3 / 2), bytes.size());
    const BYTE top = LumaOf(PictureColours::top[0], PictureColours::top[1], PictureColours::top[2]);
    const BYTE bottom =
        LumaOf(PictureColours::bottom[0], PictureColours::bottom[1], PictureColours::bottom[2]);
    long wrong = 0;
    for (long y = 0; y < height; ++y) {
        for (long x = y == 0 ? 1 : 0; x < width; ++x) { // the first pixel carries the number
            wrong += bytes[y * width + x] != (y < height / 2 ? top : bottom);
        }
    }
    EXPECT_EQ(0, wrong);
    // Chroma of the red half, then of the blue half.
    EXPECT_GT(bytes[width * height + width + 3], 128) << "red: V above neutral";
    EXPECT_GT(bytes[width * height + width * (height / 2 - 1) + 2], 128) << "blue: U above";
}

} // namespace
