// The stream's format follows the per-user settings in the prefix's real registry, and falls
// back to 320 x 240 at 25 fps where they cannot make a frame.
#include "camera_helpers.h"
#include "stored_settings.h"

#include <gtest/gtest.h>

namespace {

// What a host learns of the format through IAMStreamConfig.
struct Offered {
    HRESULT hr = E_FAIL;
    LONG width = 0;
    LONG height = 0;
    REFERENCE_TIME avgTimePerFrame = 0;
    DWORD sizeImage = 0;
    ULONG sampleSize = 0;
    LONGLONG minInterval = 0;
    LONGLONG maxInterval = 0;
    LONG minBits = 0;
    LONG maxBits = 0;
    SIZE maxOutput = {};
};

Offered Offer(IBaseFilter* camera) {
    Offered offered;
    ComPtr<IAMStreamConfig> config;
    offered.hr = camera->QueryInterface(IID_PPV_ARGS(&config));
    if (FAILED(offered.hr)) {
        return offered;
    }
    AM_MEDIA_TYPE* format = nullptr;
    AM_MEDIA_TYPE* capsType = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps = {};
    offered.hr = config->GetFormat(&format);
    if (SUCCEEDED(offered.hr)) {
        offered.hr = config->GetStreamCaps(0, &capsType, reinterpret_cast<BYTE*>(&caps));
    }
    if (SUCCEEDED(offered.hr) && format->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(format->pbFormat);
        offered.width = info->bmiHeader.biWidth;
        offered.height = info->bmiHeader.biHeight;
        offered.avgTimePerFrame = info->AvgTimePerFrame;
        offered.sizeImage = info->bmiHeader.biSizeImage;
        offered.sampleSize = format->lSampleSize;
        offered.minInterval = caps.MinFrameInterval;
        offered.maxInterval = caps.MaxFrameInterval;
        offered.minBits = caps.MinBitsPerSecond;
        offered.maxBits = caps.MaxBitsPerSecond;
        offered.maxOutput = caps.MaxOutputSize;
    }
    DestroyMediaType(format);
    DestroyMediaType(capsType);
    return offered;
}

Offered OfferWith(std::initializer_list<std::pair<const char*, DWORD>> values) {
    for (const auto& [name, data] : values) {
        CSettingsScope::Store(name, data);
    }
    ComPtr<IBaseFilter> camera = CreateCamera();
    return camera ? Offer(camera.Get()) : Offered{};
}

class StreamSettings : public ::testing::Test {
protected:
    CComScope com;
    CSettingsScope settings;
};

TEST_F(StreamSettings, NoneStoredGivesDefaultsAndRecordsThem) {
    const Offered offered = OfferWith({});
    ASSERT_EQ(S_OK, offered.hr);
    EXPECT_EQ(320, offered.width);
    EXPECT_EQ(240, offered.height);
    EXPECT_EQ(400000, offered.avgTimePerFrame);
    EXPECT_EQ(307200u, offered.sizeImage);
    EXPECT_EQ(400000, offered.minInterval);
    EXPECT_EQ(61440000, offered.minBits);

    DWORD width = 0, height = 0, fps = 0;
    ASSERT_TRUE(CSettingsScope::Stored("width", &width));
    ASSERT_TRUE(CSettingsScope::Stored("height", &height));
    ASSERT_TRUE(CSettingsScope::Stored("fps", &fps));
    EXPECT_EQ(320u, width);
    EXPECT_EQ(240u, height);
    EXPECT_EQ(25u, fps);
}

TEST_F(StreamSettings, StoredSizeAndRateShapeFormatAndCaps) {
    const Offered offered = OfferWith({{"width", 1280}, {"height", 720}, {"fps", 30}});
    ASSERT_EQ(S_OK, offered.hr);
    EXPECT_EQ(1280, offered.width);
    EXPECT_EQ(720, offered.height);
    EXPECT_EQ(3686400u, offered.sizeImage);
    EXPECT_EQ(3686400u, offered.sampleSize);
    // The format divides exactly; the capability rounds through whole milliseconds.
    EXPECT_EQ(333333, offered.avgTimePerFrame);
    EXPECT_EQ(330000, offered.minInterval);
    EXPECT_EQ(330000, offered.maxInterval);
    EXPECT_EQ(737280000, offered.minBits);
    EXPECT_EQ(737280000, offered.maxBits);
    EXPECT_EQ(1280, offered.maxOutput.cx);
    EXPECT_EQ(720, offered.maxOutput.cy);
}

TEST_F(StreamSettings, ZeroWidthFallsBackToDefaultSizeButKeepsRate) {
    const Offered offered = OfferWith({{"width", 0}, {"height", 480}, {"fps", 30}});
    ASSERT_EQ(S_OK, offered.hr);
    EXPECT_EQ(320, offered.width);
    EXPECT_EQ(240, offered.height);
    EXPECT_EQ(307200u, offered.sizeImage);
    EXPECT_EQ(333333, offered.avgTimePerFrame);
}

struct HostileCase {
    const char* name;
    DWORD width;
    DWORD height;
    DWORD fps;
};

TEST_F(StreamSettings, HostileValuesFallBackToDefaults) {
    const HostileCase cases[] = {
        {"fps 0", 640, 480, 0},
        {"fps -5", 640, 480, static_cast<DWORD>(-5)},
        {"100000 x 100000", 100000, 100000, 25},
        {"negative height", 640, static_cast<DWORD>(-480), 25},
        // 10,000,000 / fps truncates to a zero frame time above ten million frames a second.
        {"fps 2147483647", 640, 480, 0x7FFFFFFF},
        {"fps 10000001", 640, 480, 10000001},
        // 160 MB: beyond the largest frame a region is made for.
        {"40000 x 1000", 40000, 1000, 25},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Offered offered =
            OfferWith({{"width", c.width}, {"height", c.height}, {"fps", c.fps}});
        ASSERT_EQ(S_OK, offered.hr);
        const bool sizeUsable = c.width == 640 && c.height == 480;
        EXPECT_EQ(sizeUsable ? 640 : 320, offered.width);
        EXPECT_EQ(sizeUsable ? 480 : 240, offered.height);
        EXPECT_EQ(sizeUsable ? 1228800u : 307200u, offered.sizeImage);
        EXPECT_EQ(400000, offered.avgTimePerFrame);
        EXPECT_EQ(400000, offered.minInterval);
        EXPECT_EQ(400000, offered.maxInterval);
    }
}

// The camera makes the region large enough for a frame above 16 MiB; the bit rate, a 32-bit
// field, saturates instead of wrapping negative.
TEST_F(StreamSettings, LargeFrameGetsARegionThatHoldsItAndASaturatedBitRate) {
    ASSERT_TRUE(CSettingsScope::Store("width", 3840));
    ASSERT_TRUE(CSettingsScope::Store("height", 2160));
    ComPtr<IBaseFilter> camera = CreateCamera();
    ASSERT_TRUE(camera);
    const Offered offered = Offer(camera.Get());
    ASSERT_EQ(S_OK, offered.hr);
    EXPECT_EQ(3840, offered.width);
    EXPECT_EQ(33177600u, offered.sizeImage);
    EXPECT_EQ(0x7FFFFFFF, offered.minBits);
    EXPECT_EQ(0x7FFFFFFF, offered.maxBits);
    EXPECT_GE(CameraRegionBytes(), 33177600u);
}

TEST_F(StreamSettings, RateAboveOneThousandGivesZeroIntervals) {
    const Offered offered = OfferWith({{"fps", 1001}});
    ASSERT_EQ(S_OK, offered.hr);
    EXPECT_EQ(9990, offered.avgTimePerFrame);
    EXPECT_EQ(0, offered.minInterval);
    EXPECT_EQ(0, offered.maxInterval);
}

TEST_F(StreamSettings, CapsIntervalFollowsRateStoredAfterCreation) {
    ComPtr<IBaseFilter> camera = CreateCamera();
    ASSERT_TRUE(camera);
    ASSERT_TRUE(CSettingsScope::Store("fps", 50));
    ASSERT_TRUE(CSettingsScope::Store("width", 640));
    const Offered offered = Offer(camera.Get());
    ASSERT_EQ(S_OK, offered.hr);
    EXPECT_EQ(200000, offered.minInterval);
    // Only the interval is read again; the format stays as built.
    EXPECT_EQ(400000, offered.avgTimePerFrame);
    EXPECT_EQ(320, offered.width);
    EXPECT_EQ(320, offered.maxOutput.cx);
}

// A format typed by the user is stored only through the camera's own rules.
TEST_F(StreamSettings, TypedFormatIsStoredOnlyWhenTheCameraTakesIt) {
    CameraFormat format = {320, 240, 25};
    EXPECT_FALSE(ParseCameraFormat(L"1280x720@", &format));
    EXPECT_FALSE(ParseCameraFormat(L"1280*720", &format));
    EXPECT_FALSE(ParseCameraFormat(L"1234567890x2@5", &format));
    ASSERT_TRUE(ParseCameraFormat(L"8192x8192@30", &format)); // a frame above the limit
    EXPECT_EQ(ERROR_INVALID_DATA, StoreUserFormat(format));
    DWORD width = 0;
    EXPECT_FALSE(CSettingsScope::Stored("width", &width));

    ASSERT_TRUE(ParseCameraFormat(L"1280X720", &format)); // the rate stays as it was
    EXPECT_EQ(30, format.fps);
    ASSERT_EQ(ERROR_SUCCESS, StoreUserFormat(format));
    const Offered offered = OfferWith({});
    ASSERT_EQ(S_OK, offered.hr);
    EXPECT_EQ(1280, offered.width);
    EXPECT_EQ(720, offered.height);
    EXPECT_EQ(333333, offered.avgTimePerFrame);
}

} // namespace
