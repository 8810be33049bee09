// Hostile settings in the registry: zero, negative and huge values, values of the wrong type,
// values missing. The camera is still created and streams, with a positive frame time, a
// positive bit rate and a frame no larger than its region.
#include "camera_graph.h"
#include "qvl_protocol.h"
#include "stress_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Value {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<BYTE> Dword(DWORD v) {
    return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}
std::vector<BYTE> Qword(ULONGLONG v) {
    std::vector<BYTE> bytes = Dword(static_cast<DWORD>(v));
    const std::vector<BYTE> high = Dword(static_cast<DWORD>(v >> 32));
    bytes.insert(bytes.end(), high.begin(), high.end());
    return bytes;
}
std::vector<BYTE> Text(const char* text) {
    return std::vector<BYTE>(text, text + strlen(text) + 1);
}

struct HostileCase {
    const char* name;
    std::vector<Value> values;
};

const HostileCase hostileCases[] = {
    {"all missing", {}},
    {"all zero",
     {{QVL_SETTING_WIDTH, REG_DWORD, Dword(0)},
      {QVL_SETTING_HEIGHT, REG_DWORD, Dword(0)},
      {QVL_SETTING_FPS, REG_DWORD, Dword(0)}}},
    {"all -1",
     {{QVL_SETTING_WIDTH, REG_DWORD, Dword(~0u)},
      {QVL_SETTING_HEIGHT, REG_DWORD, Dword(~0u)},
      {QVL_SETTING_FPS, REG_DWORD, Dword(~0u)}}},
    {"all 2147483647",
     {{QVL_SETTING_WIDTH, REG_DWORD, Dword(0x7FFFFFFF)},
      {QVL_SETTING_HEIGHT, REG_DWORD, Dword(0x7FFFFFFF)},
      {QVL_SETTING_FPS, REG_DWORD, Dword(0x7FFFFFFF)}}},
    {"65536 x 65536, fps 10000000",
     {{QVL_SETTING_WIDTH, REG_DWORD, Dword(65536)},
      {QVL_SETTING_HEIGHT, REG_DWORD, Dword(65536)},
      {QVL_SETTING_FPS, REG_DWORD, Dword(10000000)}}},
    {"1 x 1, fps 1",
     {{QVL_SETTING_WIDTH, REG_DWORD, Dword(1)},
      {QVL_SETTING_HEIGHT, REG_DWORD, Dword(1)},
      {QVL_SETTING_FPS, REG_DWORD, Dword(1)}}},
    {"REG_SZ numbers",
     {{QVL_SETTING_WIDTH, REG_SZ, Text("640")},
      {QVL_SETTING_HEIGHT, REG_SZ, Text("-480")},
      {QVL_SETTING_FPS, REG_SZ, Text("99999999999999999999")}}},
    {"REG_SZ text and empty",
     {{QVL_SETTING_WIDTH, REG_SZ, Text("wide")},
      {QVL_SETTING_HEIGHT, REG_EXPAND_SZ, Text("%PATH%")},
      {QVL_SETTING_FPS, REG_SZ, Text("")}}},
    {"REG_BINARY 4, 0 and 1 bytes",
     {{QVL_SETTING_WIDTH, REG_BINARY, Dword(640)},
      {QVL_SETTING_HEIGHT, REG_BINARY, {}},
      {QVL_SETTING_FPS, REG_BINARY, {7}}}},
    {"REG_QWORD",
     {{QVL_SETTING_WIDTH, REG_QWORD, Qword(640)},
      {QVL_SETTING_HEIGHT, REG_QWORD, Qword(0x100000000ULL + 480)},
      {QVL_SETTING_FPS, REG_QWORD, Qword(~0ULL)}}},
    {"REG_MULTI_SZ and REG_NONE",
     {{QVL_SETTING_WIDTH, REG_MULTI_SZ, Text("640\0")}, {QVL_SETTING_FPS, REG_NONE, {}}}},
};

bool StoreRaw(const Value& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, QVL_SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result = RegSetValueExA(key, value.name, 0, value.type, value.data.data(),
                                       static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

TEST(HostileSettings, NeverStopCreationOrStreamingNorBreakTheFormat) {
    CComScope com;
    std::string shapes;
    for (const HostileCase& c : hostileCases) {
        SCOPED_TRACE(c.name);
        CSettingsScope settings;
        for (const Value& value : c.values) {
            ASSERT_TRUE(StoreRaw(value)) << value.name;
        }
        CSampleRecorder recorder;
        CCameraGraph graph(&recorder);
        ASSERT_EQ(S_OK, graph.BuildResult());
        AM_MEDIA_TYPE* format = nullptr;
        AM_MEDIA_TYPE* capsType = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps = {};
        ComPtr<IAMStreamConfig> config;
        ASSERT_EQ(S_OK, graph.Camera()->QueryInterface(IID_PPV_ARGS(&config)));
        ASSERT_EQ(S_OK, config->GetFormat(&format));
        ASSERT_EQ(S_OK, config->GetStreamCaps(0, &capsType, reinterpret_cast<BYTE*>(&caps)));
        const VIDEOINFOHEADER info = *reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat);
        DestroyMediaType(format);
        DestroyMediaType(capsType);
        const BITMAPINFOHEADER& header = info.bmiHeader;
        EXPECT_GT(info.AvgTimePerFrame, 0);
        EXPECT_GT(caps.MinBitsPerSecond, 0);
        EXPECT_GE(caps.MinFrameInterval, 0);
        ASSERT_GT(header.biWidth, 0);
        ASSERT_GT(header.biHeight, 0);
        EXPECT_EQ(static_cast<ULONGLONG>(header.biWidth) * header.biHeight * 4, header.biSizeImage);
        EXPECT_LE(header.biSizeImage, CameraRegionBytes());

        ASSERT_TRUE(SUCCEEDED(graph.Run()));
        const std::vector<RecordedSample> samples = recorder.WaitFor(3, 20s);
        ASSERT_GE(samples.size(), 3u) << "no streaming";
        EXPECT_EQ(2 * info.AvgTimePerFrame, samples[2].start);
        EXPECT_EQ(static_cast<LONG>(header.biSizeImage), samples[2].size);
        shapes += std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) + "@" +
                  std::to_string(10000000 / info.AvgTimePerFrame) + " ";
    }
    ReportRow("bad input: hostile settings",
              std::to_string(std::size(hostileCases)) +
                  " sets: 0, -1, huge, REG_SZ/BINARY/QWORD/MULTI_SZ/NONE, missing",
              "created, streamed, frame time > 0, bit rate > 0, frame <= region");
    std::printf("hostile settings gave: %s\n", shapes.c_str());
}

} // namespace
