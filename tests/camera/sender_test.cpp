// The sender library against the real camera: frames in every layout, row order and stride
// arrive in the camera's samples as the same picture; refused frames and frames that meet a
// held mutex leave the region as it was.
#include "camera_graph.h"

#include "qvl_protocol.h"
#include "qvl_sender.h"
#include "kernel_owners.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int width = QVL_DEFAULT_WIDTH;
constexpr int height = QVL_DEFAULT_HEIGHT;
constexpr size_t frameBytes = size_t{width} * height * QVL_BYTES_PER_PIXEL;
constexpr unsigned senderWaitMs = 1000;

struct Rgb {
    BYTE r, g, b;
};

// The reference picture, y from the top: every flip, shift or channel swap changes it.
Rgb PictureAt(int x, int y) {
    return {static_cast<BYTE>(x), static_cast<BYTE>(y), static_cast<BYTE>(x + 2 * y + 1)};
}

// The reference picture as the camera stores it: B G R 0, bottom row first.
std::vector<BYTE> CameraFrame(bool mirror) {
    std::vector<BYTE> frame(frameBytes);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = PictureAt(mirror ? width - 1 - x : x, y);
            BYTE* p = &frame[(size_t(height - 1 - y) * width + x) * 4];
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            p[3] = 0;
        }
    }
    return frame;
}

struct Case {
    const char* name;
    qvl_pixel_layout layout;
    qvl_row_order rows;
    size_t padding; // bytes after each row
    bool negativeStride;
    bool mirror;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// The reference picture in a caller's layout; padding and unused bytes hold junk that must not
// reach the camera.
std::vector<BYTE> CallerBuffer(const Case& c, qvl_frame& frame) {
    const size_t bpp = qvl_bytes_per_pixel(c.layout);
    const size_t distance = width * bpp + c.padding;
    std::vector<BYTE> buffer(distance * height, 0xEE);
    for (int i = 0; i < height; ++i) {
        const int y = c.rows == QVL_TOP_DOWN ? i : height - 1 - i;
        BYTE* row = &buffer[(c.negativeStride ? height - 1 - i : i) * distance];
        for (int x = 0; x < width; ++x) {
            const Rgb p = PictureAt(x, y);
            const BYTE rgb[] = {p.r, p.g, p.b, 0x80};
            const BYTE bgr[] = {p.b, p.g, p.r, 0x80};
            const bool redFirst = c.layout == QVL_RGBA || c.layout == QVL_RGB24;
            std::memcpy(&row[x * bpp], redFirst ? rgb : bgr, bpp);
        }
    }
    frame = {buffer.data(), buffer.size(), width, height, 0, c.rows, c.layout, 0};
    frame.stride = c.negativeStride ? -ptrdiff_t(distance) : ptrdiff_t(distance);
    frame.flags = c.mirror ? QVL_FRAME_MIRROR : 0;
    return buffer;
}

struct SenderClose {
    void operator()(qvl_sender* s) const { qvl_sender_close(s); }
};
using Sender = std::unique_ptr<qvl_sender, SenderClose>;

Sender OpenSender(unsigned waitMs = senderWaitMs) {
    qvl_sender* sender = nullptr;
    EXPECT_EQ(QVL_OK, qvl_sender_open(waitMs, &sender));
    return Sender(sender);
}

class SenderTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_FALSE(CameraRegionExists()) << "the test left the region behind";
    }

    CComScope com;
    CSettingsScope settings;
};

class SenderDelivery : public SenderTest, public ::testing::WithParamInterface<Case> {};

TEST_P(SenderDelivery, ArrivesInTheCamerasSamplesAsThePicture) {
    CSampleRecorder recorder;
    CCameraGraph graph(&recorder);
    ASSERT_EQ(S_OK, graph.BuildResult());
    const Sender sender = OpenSender();
    ASSERT_TRUE(sender);
    qvl_frame frame;
    const std::vector<BYTE> buffer = CallerBuffer(GetParam(), frame);
    ASSERT_EQ(QVL_OK, qvl_sender_send(sender.get(), &frame));

    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    const std::vector<RecordedSample> samples = recorder.WaitFor(2, 10s);
    ASSERT_GE(samples.size(), 2u);
    const std::vector<BYTE> expected = CameraFrame(GetParam().mirror);
    EXPECT_EQ(Digest(expected.data(), expected.size()), samples.back().digest);
}

const Case cases[] = {
    {"bgra_top_down", QVL_BGRA, QVL_TOP_DOWN, 0, false, false},
    {"bgra_bottom_up_padded", QVL_BGRA, QVL_BOTTOM_UP, 12, false, false},
    {"bgrx_top_down_padded", QVL_BGRX, QVL_TOP_DOWN, 4, false, false},
    {"bgrx_bottom_up", QVL_BGRX, QVL_BOTTOM_UP, 0, false, false},
    {"rgba_top_down", QVL_RGBA, QVL_TOP_DOWN, 0, false, false},
    {"rgba_bottom_up_negative_stride", QVL_RGBA, QVL_BOTTOM_UP, 8, true, false},
    {"rgb24_top_down_padded", QVL_RGB24, QVL_TOP_DOWN, 3, false, false},
    {"rgb24_bottom_up", QVL_RGB24, QVL_BOTTOM_UP, 0, false, false},
    {"bgr24_top_down_negative_stride", QVL_BGR24, QVL_TOP_DOWN, 0, true, false},
    {"bgr24_bottom_up_padded", QVL_BGR24, QVL_BOTTOM_UP, 1, false, false},
    {"rgb24_top_down_mirrored", QVL_RGB24, QVL_TOP_DOWN, 0, false, true},
    {"bgra_bottom_up_mirrored", QVL_BGRA, QVL_BOTTOM_UP, 0, false, true},
};

INSTANTIATE_TEST_SUITE_P(Layouts, SenderDelivery, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

// A view of the camera's region, to see what is there without the camera.
class RegionView {
public:
    RegionView()
        : mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, QVL_REGION_NAME)),
          view(mapping.Get()) {}
    std::vector<BYTE> Frame() const {
        const BYTE* bytes = view.Get();
        return bytes ? std::vector<BYTE>(bytes, bytes + frameBytes) : std::vector<BYTE>();
    }

private:
    CKernelHandle mapping;
    CMappedView view;
};

TEST_F(SenderTest, RefusedFramesLeaveTheRegionUntouched) {
    const Sender sender = OpenSender();
    ASSERT_TRUE(sender);
    qvl_frame good;
    const std::vector<BYTE> buffer =
        CallerBuffer({"", QVL_RGB24, QVL_TOP_DOWN, 0, false, false}, good);
    ASSERT_EQ(QVL_OK, qvl_sender_send(sender.get(), &good));
    const RegionView region;
    const std::vector<BYTE> sent = region.Frame();
    ASSERT_EQ(CameraFrame(false), sent);

    // Every refusal below would otherwise write a picture of the same buffer.
    const std::vector<BYTE> big(2 * buffer.size(), 0x11);
    qvl_frame wrong = good;
    wrong.pixels = big.data();
    wrong.bytes = big.size();
    wrong.width = width + 1;
    EXPECT_EQ(QVL_WRONG_SIZE, qvl_sender_send(sender.get(), &wrong));
    wrong.width = width;
    wrong.height = height - 1;
    EXPECT_EQ(QVL_WRONG_SIZE, qvl_sender_send(sender.get(), &wrong));
    wrong.height = height;
    wrong.stride = width * 3 - 1; // rows would overlap
    EXPECT_EQ(QVL_INVALID_ARGUMENT, qvl_sender_send(sender.get(), &wrong));
    wrong.stride = PTRDIFF_MAX / 2; // the last row would lie far outside the buffer
    EXPECT_EQ(QVL_INVALID_ARGUMENT, qvl_sender_send(sender.get(), &wrong));
    wrong.stride = -(width * 3);
    wrong.bytes = size_t(width) * 3 * height - 1; // one byte short
    EXPECT_EQ(QVL_INVALID_ARGUMENT, qvl_sender_send(sender.get(), &wrong));
    wrong.bytes = big.size();
    wrong.layout = static_cast<qvl_pixel_layout>(5);
    EXPECT_EQ(QVL_INVALID_ARGUMENT, qvl_sender_send(sender.get(), &wrong));
    EXPECT_EQ(sent, region.Frame());
}

TEST_F(SenderTest, ReportsTheSizeAndRateTheCameraStreams) {
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_WIDTH, 640));
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_HEIGHT, 360));
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_FPS, 30));
    qvl_camera_format format = {};
    ASSERT_EQ(QVL_OK, qvl_sender_format(OpenSender().get(), &format));
    EXPECT_EQ(640, format.width);
    EXPECT_EQ(360, format.height);
    EXPECT_EQ(30, format.fps);

    // A frame above the default region's 16 MiB gets a region that holds it.
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_WIDTH, 4096));
    ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_HEIGHT, 2160));
    ASSERT_EQ(QVL_OK, qvl_sender_format(OpenSender().get(), &format));
    EXPECT_EQ(4096, format.width);

    // Sizes and rates the camera refuses give its defaults here too.
    for (DWORD refusedWidth : {DWORD(0), DWORD(-5), DWORD(100000)}) {
        ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_WIDTH, refusedWidth));
        ASSERT_TRUE(CSettingsScope::Store(QVL_SETTING_FPS, QVL_MAX_FPS + 1));
        ASSERT_EQ(QVL_OK, qvl_sender_format(OpenSender().get(), &format));
        EXPECT_EQ(width, format.width);
        EXPECT_EQ(height, format.height);
        EXPECT_EQ(QVL_DEFAULT_FPS, format.fps);
    }
}

// Holds the camera's mutex on a thread of its own until told to let go.
class MutexHolder {
public:
    MutexHolder()
        : held(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          release(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread([this] { Hold(); }) {}
    ~MutexHolder() {
        SetEvent(release.Get());
        thread.join();
    }
    MutexHolder(const MutexHolder&) = delete;
    MutexHolder& operator=(const MutexHolder&) = delete;
    bool WaitHeld() const { return WaitForSingleObject(held.Get(), 20000) == WAIT_OBJECT_0; }

private:
    void Hold() {
        const CKernelHandle mutex(CreateMutexA(nullptr, FALSE, QVL_MUTEX_NAME));
        const CMutexHold hold(mutex.Get(), 20000);
        if (hold.Held()) {
            SetEvent(held.Get());
            WaitForSingleObject(release.Get(), 20000);
        }
    }

    const CKernelHandle held;
    const CKernelHandle release;
    std::thread thread;
};

TEST_F(SenderTest, MutexHeldElsewhereTimesOutAndWritesNothing) {
    constexpr unsigned waitMs = 300;
    const Sender sender = OpenSender(waitMs);
    ASSERT_TRUE(sender);
    const RegionView region;
    qvl_frame frame;
    const std::vector<BYTE> buffer =
        CallerBuffer({"", QVL_BGRA, QVL_TOP_DOWN, 0, false, false}, frame);
    {
        MutexHolder holder;
        ASSERT_TRUE(holder.WaitHeld());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(QVL_TIMEOUT, qvl_sender_send(sender.get(), &frame));
        // Allow for the system timer's granularity.
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(waitMs - 20));
        EXPECT_EQ(std::vector<BYTE>(frameBytes, 0), region.Frame());
    }
    EXPECT_EQ(QVL_OK, qvl_sender_send(sender.get(), &frame));
    EXPECT_EQ(CameraFrame(false), region.Frame());
}

} // namespace
