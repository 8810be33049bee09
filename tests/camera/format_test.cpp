// The one format the stream proposes and accepts, its IAMStreamConfig face and its buffer
// sizing, with the default settings.
#include "camera_helpers.h"

#include "lib/fake_allocator.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

VIDEOINFOHEADER* InfoOf(AM_MEDIA_TYPE& type) {
    return reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
}

// Every field and every format byte.
bool Identical(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    return IsEqualGUID(a.majortype, b.majortype) && IsEqualGUID(a.subtype, b.subtype) &&
           a.bFixedSizeSamples == b.bFixedSizeSamples &&
           a.bTemporalCompression == b.bTemporalCompression && a.lSampleSize == b.lSampleSize &&
           IsEqualGUID(a.formattype, b.formattype) && a.pUnk == b.pUnk &&
           a.cbFormat == b.cbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

class StreamFormat : public ::testing::Test {
protected:
    void SetUp() override {
        camera = CreateCamera();
        ASSERT_TRUE(camera);
        stream = StreamOf(camera.Get());
        ASSERT_NE(nullptr, stream);
        ASSERT_EQ(S_OK, camera->QueryInterface(IID_PPV_ARGS(&config)));
        pin = CameraPin(camera.Get());
        ASSERT_TRUE(pin);
    }

    CComScope com;
    CSettingsScope settings;
    ComPtr<IBaseFilter> camera;
    Cqvl_Stream* stream = nullptr;
    ComPtr<IAMStreamConfig> config;
    ComPtr<IPin> pin;
};

TEST_F(StreamFormat, ProposesExactlyOneUncompressedRgb32Type) {
    COwnedMediaType first;
    ASSERT_EQ(S_OK, stream->GetMediaType(0, &first));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, first.majortype));
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB32, first.subtype));
    EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, first.formattype));
    EXPECT_TRUE(first.bFixedSizeSamples);
    EXPECT_FALSE(first.bTemporalCompression);
    EXPECT_EQ(307200u, first.lSampleSize);
    EXPECT_EQ(nullptr, first.pUnk);
    ASSERT_EQ(sizeof(VIDEOINFOHEADER), first.cbFormat);
    const VIDEOINFOHEADER* info = InfoOf(first);
    EXPECT_TRUE(IsRectEmpty(&info->rcSource) && info->rcSource.left == 0);
    EXPECT_TRUE(IsRectEmpty(&info->rcTarget) && info->rcTarget.right == 0);
    EXPECT_EQ(0u, info->dwBitRate);
    EXPECT_EQ(sizeof(BITMAPINFOHEADER), info->bmiHeader.biSize);
    EXPECT_EQ(1, info->bmiHeader.biPlanes);
    EXPECT_EQ(32, info->bmiHeader.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), info->bmiHeader.biCompression);
    EXPECT_EQ(240, info->bmiHeader.biHeight); // bottom-up rows

    COwnedMediaType other;
    EXPECT_EQ(VFW_S_NO_MORE_ITEMS, stream->GetMediaType(1, &other));
    EXPECT_EQ(E_INVALIDARG, stream->GetMediaType(-1, &other));

    // A host sees the same through the pin's enumerator.
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, pin->EnumMediaTypes(&types));
    AM_MEDIA_TYPE* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, types->Next(2, listed, &fetched));
    ASSERT_EQ(1u, fetched);
    EXPECT_TRUE(Identical(first, *listed[0]));
    DestroyMediaType(listed[0]);
}

TEST_F(StreamFormat, AcceptsOnlyItsOwnTypeIgnoringSampleSizeFields) {
    COwnedMediaType own;
    ASSERT_EQ(S_OK, stream->GetMediaType(0, &own));
    EXPECT_EQ(S_OK, stream->CheckMediaType(&own));
    EXPECT_EQ(S_OK, pin->QueryAccept(&own));

    COwnedMediaType slower(own);
    InfoOf(slower)->AvgTimePerFrame += 1;
    EXPECT_EQ(E_INVALIDARG, stream->CheckMediaType(&slower));
    EXPECT_EQ(S_FALSE, pin->QueryAccept(&slower));

    COwnedMediaType wider(own);
    InfoOf(wider)->bmiHeader.biWidth = 640;
    EXPECT_EQ(E_INVALIDARG, stream->CheckMediaType(&wider));

    COwnedMediaType rgb24(own);
    rgb24.subtype = MEDIASUBTYPE_RGB24;
    EXPECT_EQ(E_INVALIDARG, stream->CheckMediaType(&rgb24));

    COwnedMediaType variable(own);
    variable.bFixedSizeSamples = FALSE;
    variable.lSampleSize = 1;
    EXPECT_EQ(S_OK, stream->CheckMediaType(&variable));
    EXPECT_EQ(S_OK, pin->QueryAccept(&variable));
}

TEST_F(StreamFormat, StreamCapsDescribeTheOneFormatAtAnyIndex) {
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(1, count);
    EXPECT_EQ(128, size);
    EXPECT_EQ(sizeof(VIDEO_STREAM_CONFIG_CAPS), static_cast<size_t>(size));

    AM_MEDIA_TYPE* atZero = nullptr;
    AM_MEDIA_TYPE* atFive = nullptr;
    VIDEO_STREAM_CONFIG_CAPS capsZero = {};
    VIDEO_STREAM_CONFIG_CAPS capsFive = {};
    std::memset(&capsFive, 0xAB, sizeof(capsFive));
    ASSERT_EQ(S_OK, config->GetStreamCaps(0, &atZero, reinterpret_cast<BYTE*>(&capsZero)));
    ASSERT_EQ(S_OK, config->GetStreamCaps(5, &atFive, reinterpret_cast<BYTE*>(&capsFive)));
    EXPECT_TRUE(Identical(*atZero, *atFive));
    EXPECT_EQ(0, std::memcmp(&capsZero, &capsFive, sizeof(capsZero)));

    // The capability's type is the pin's, except that it does not promise fixed-size samples.
    EXPECT_FALSE(atFive->bFixedSizeSamples);
    EXPECT_EQ(307200u, atFive->lSampleSize);
    AM_MEDIA_TYPE* format = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&format));
    EXPECT_TRUE(format->bFixedSizeSamples);
    format->bFixedSizeSamples = FALSE;
    EXPECT_TRUE(Identical(*format, *atFive));

    EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, capsFive.guid));
    EXPECT_EQ(0u, capsFive.VideoStandard);
    const SIZE sizes[] = {capsFive.InputSize, capsFive.MinCroppingSize, capsFive.MaxCroppingSize,
                          capsFive.MinOutputSize, capsFive.MaxOutputSize};
    for (const SIZE& s : sizes) {
        EXPECT_EQ(320, s.cx);
        EXPECT_EQ(240, s.cy);
    }
    EXPECT_EQ(0, capsFive.CropGranularityX + capsFive.CropAlignY + capsFive.OutputGranularityX +
                     capsFive.StretchTapsX + capsFive.ShrinkTapsY);
    DestroyMediaType(format);
    DestroyMediaType(atZero);
    DestroyMediaType(atFive);
}

TEST_F(StreamFormat, SetFormatChangesNothing) {
    AM_MEDIA_TYPE* before = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&before));
    AM_MEDIA_TYPE* changed = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&changed));
    InfoOf(*changed)->bmiHeader.biWidth = 640;
    InfoOf(*changed)->AvgTimePerFrame = 333333;
    EXPECT_EQ(S_OK, config->SetFormat(changed));
    EXPECT_EQ(S_OK, config->SetFormat(nullptr));

    AM_MEDIA_TYPE* after = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&after));
    EXPECT_TRUE(Identical(*before, *after));
    EXPECT_NE(before->pbFormat, after->pbFormat); // each call hands out its own copy
    DestroyMediaType(before);
    DestroyMediaType(changed);
    DestroyMediaType(after);
}

TEST_F(StreamFormat, FacesReachEachOther) {
    ComPtr<IPin> viaConfig;
    EXPECT_EQ(S_OK, config->QueryInterface(IID_PPV_ARGS(&viaConfig)));
    EXPECT_EQ(pin.Get(), viaConfig.Get());
    ComPtr<IAMStreamConfig> viaPin;
    EXPECT_EQ(S_OK, pin->QueryInterface(IID_PPV_ARGS(&viaPin)));
    EXPECT_EQ(config.Get(), viaPin.Get());
    ComPtr<IKsPropertySet> properties;
    EXPECT_EQ(S_OK, viaPin->QueryInterface(IID_PPV_ARGS(&properties)));
}

TEST_F(StreamFormat, BufferIsOneFrameAndASmallerGrantFails) {
    CFakeAllocator allocator;
    ASSERT_TRUE(allocator.Ready());
    ALLOCATOR_PROPERTIES asked = {4, 1000, 16, 0};
    EXPECT_EQ(S_OK, stream->DecideBufferSize(&allocator, &asked));
    EXPECT_EQ(1, allocator.lastRequest.cBuffers);
    EXPECT_EQ(307200, allocator.lastRequest.cbBuffer);
    EXPECT_EQ(16, allocator.lastRequest.cbAlign); // alignment and prefix stay the caller's
    EXPECT_EQ(0, allocator.lastRequest.cbPrefix);

    allocator.grantedSize = 307200 - 4;
    ALLOCATOR_PROPERTIES again = {1, 0, 1, 0};
    EXPECT_EQ(E_FAIL, stream->DecideBufferSize(&allocator, &again));
    EXPECT_EQ(2, allocator.setPropertiesCalls);
    EXPECT_EQ(0, allocator.References());
}

} // namespace
