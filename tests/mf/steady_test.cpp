// A thousand frames through the source reader, from a producer of another format (so every
// frame is fitted on the way): the process holds no more handles and little more memory at the
// end than after the first hundred.
#include "mf_support.h"

#include "process_handles.h"
#include "settings_scope.h"

#include <gtest/gtest.h>
#include <psapi.h>

namespace {

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return counters.PrivateUsage;
}

TEST(Steady, NoHandleOrMemoryGrowthOverAThousandFrames) {
    CSettingsScope settings;
    ASSERT_TRUE(CSettingsScope::StoreAll(320, 240, 25)); // the user's format
    MachineFormatScope machine(64, 48, 250);
    MfScope mf;
    ASSERT_HRESULT_SUCCEEDED(mf.Result());
    HRESULT created = E_FAIL;
    ComPtr<IMFMediaSource> source = CreateMediaSource(&created);
    ASSERT_HRESULT_SUCCEEDED(created);
    NumberedProducer producer(100);
    ASSERT_TRUE(producer.Start());
    ComPtr<IMFSourceReader> reader;
    ASSERT_HRESULT_SUCCEEDED(MFCreateSourceReaderFromMediaSource(source.Get(), nullptr, &reader));
    long handles = 0;
    SIZE_T memory = 0;
    DWORD fitted = 0;
    for (int i = 0; i < 1100; ++i) {
        if (i == 100) {
            handles = OpenHandleCount();
            memory = PrivateBytes();
        }
        ComPtr<IMFSample> sample;
        DWORD stream = 0, flags = 0;
        LONGLONG time = 0;
        ASSERT_HRESULT_SUCCEEDED(
            reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0, &stream,
                               &flags, &time, &sample));
        ASSERT_TRUE(sample);
        ComPtr<IMFMediaBuffer> buffer;
        DWORD length = 0;
        BYTE* data = nullptr;
        ASSERT_HRESULT_SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer));
        ASSERT_HRESULT_SUCCEEDED(buffer->Lock(&data, nullptr, &length));
        ASSERT_EQ(64u * 48u * 4u, length);
        // Fitted 320 x 240 into 64 x 48: the same shape, so the whole top-left pixel is the
        // producer's first pixel, its number.
        fitted = NumberIn(data) > fitted ? NumberIn(data) : fitted;
        buffer->Unlock();
    }
    EXPECT_GT(fitted, 0u) << "the producer's frames arrived, fitted";
    EXPECT_LE(OpenHandleCount() - handles, 2);
    EXPECT_LT(PrivateBytes() - memory, static_cast<SIZE_T>(1u << 20));
    reader.Reset();
    source->Shutdown();
}

} // namespace
