// The panel's engine in-process, with this test standing in for a camera that streams: it
// claims a slot of the frame signal's block as the camera does, and reads the channel back.
#include "channel_objects.h"
#include "gdi_owners.h"
#include "kernel_owners.h"
#include "panel_engine.h"
#include "settings_scope.h"
#include "signal_block.h"
#include "test_picture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const UINT statusMessage = WM_APP + 7;
const int width = 320, height = 240;

bool WaitFor(const std::function<bool()>& done, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limitMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

class PanelEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        CSettingsScope::StoreAll(width, height, 25);
        ASSERT_TRUE(block.Open(QVL_REGION_NAME));
        region.Reset(CreateOrOpenRegion(QVL_REGION_NAME, QVL_REGION_SIZE));
        mutex.Reset(CreateOrOpenMutex(QVL_REGION_NAME));
        ASSERT_TRUE(region.Get() != nullptr && view.Map(region.Get()) && mutex.Get() != nullptr);
        window = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        for (int slot : claimed) {
            InterlockedExchange(&block.Get()->claims[slot], 0);
        }
        DestroyWindow(window);
    }

    // Claims a free slot for `processId`, as a camera does when it starts streaming.
    int Claim(DWORD processId) {
        for (int i = 0; i < QVL_SIGNAL_SLOTS; ++i) {
            if (InterlockedCompareExchange(&block.Get()->claims[i], static_cast<LONG>(processId),
                                           0) == 0) {
                claimed.push_back(i);
                return i;
            }
        }
        ADD_FAILURE() << "every slot is claimed";
        return 0;
    }
    LONG Written() const { return block.Get()->sequence; }
    // The channel's frame as the camera reads it: bottom-up BGRX.
    testpicture::Reading Reading() const {
        const CMutexHold hold(mutex.Get(), 1000);
        testpicture::Reading reading;
        testpicture::Read(view.Get(), width * height * 4, width, height, reading);
        return reading;
    }
    // One pixel of the channel's frame, top-left origin, as 0xRRGGBB.
    DWORD Pixel(int x, int y) const {
        const CMutexHold hold(mutex.Get(), 1000);
        const BYTE* p = view.Get() + (static_cast<size_t>(height - 1 - y) * width + x) * 4;
        return RGB(p[2], p[1], p[0]);
    }
    bool StatusPosted() {
        MSG message;
        return PeekMessageW(&message, window, statusMessage, statusMessage, PM_REMOVE) != 0;
    }

    CSettingsScope settings;
    SignalBlock block;
    CKernelHandle region;
    CMappedView view;
    CKernelHandle mutex;
    HWND window = nullptr;
    std::vector<int> claimed;
};

std::wstring OwnExecutable() {
    wchar_t path[MAX_PATH];
    const std::wstring full(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return full.substr(full.find_last_of(L"\\/") + 1);
}

// The process id of a program that has ended, its handle kept so that the id stays its own.
DWORD EndedProcess(CKernelHandle& process) {
    wchar_t command[] = L"cmd.exe /c exit 0";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
        return 0;
    }
    CloseHandle(info.hThread);
    process.Reset(info.hProcess);
    WaitForSingleObject(info.hProcess, 10000);
    return info.dwProcessId;
}

TEST_F(PanelEngineTest, SourceRunsOnlyWhileALiveProgramClaimsASlot) {
    CKernelHandle ended;
    const DWORD endedId = EndedProcess(ended);
    ASSERT_NE(endedId, 0u);
    Claim(endedId);
    PanelEngine engine(window, statusMessage);
    engine.SetSource(SourceChoice{}); // the test pattern
    std::wstring why;
    ASSERT_TRUE(engine.Start(&why)) << std::string(why.begin(), why.end());

    // A claim left by an ended process is none: nothing runs, and after the idle picture
    // (written once, before the first status) nothing is written.
    ASSERT_TRUE(WaitFor([&] { return !engine.Status().showing.empty(); }, 5000));
    const LONG idle = Written();
    Sleep(600);
    EXPECT_EQ(Written(), idle);
    EXPECT_FALSE(engine.Status().watched);
    EXPECT_FALSE(engine.Status().sourceRunning);

    const int slot = Claim(GetCurrentProcessId());
    EXPECT_TRUE(WaitFor([&] { return testpicture::IsMarker(Reading().marker); }, 5000))
        << "the pattern never reached the channel";
    const unsigned long counter = Reading().counter;
    EXPECT_TRUE(WaitFor([&] { return Reading().counter > counter + 2; }, 5000))
        << "the pattern's frames stopped at " << counter;
    const PanelStatus running = engine.Status();
    EXPECT_TRUE(running.watched && running.sourceRunning);
    EXPECT_EQ(running.users, OwnExecutable());
    EXPECT_TRUE(running.problem.empty());
    EXPECT_TRUE(StatusPosted());

    InterlockedExchange(&block.Get()->claims[slot], 0);
    EXPECT_TRUE(WaitFor([&] { return !engine.Status().sourceRunning; }, 10000));
    EXPECT_TRUE(engine.Status().users.empty());
    const LONG stopped = Written();
    Sleep(600);
    EXPECT_EQ(Written(), stopped) << "frames were written after the source stopped";
}

// The Windows 11 camera's block, made after the panel started (as its service makes it when a
// program first opens that camera), is found, and a claim in it runs the source as well.
TEST_F(PanelEngineTest, AClaimOfTheWindows11CameraRunsTheSourceToo) {
    PanelEngine engine(window, statusMessage);
    engine.SetSource(SourceChoice{});
    std::wstring why;
    ASSERT_TRUE(engine.Start(&why));
    SignalBlock windows11;
    ASSERT_TRUE(windows11.Open(QVL_MF_REGION_NAME));
    InterlockedExchange(&windows11.Get()->claims[3], static_cast<LONG>(GetCurrentProcessId()));
    EXPECT_TRUE(WaitFor([&] { return engine.Status().sourceRunning; }, 5000));
    EXPECT_EQ(engine.Status().users, OwnExecutable());
    InterlockedExchange(&windows11.Get()->claims[3], 0);
    EXPECT_TRUE(WaitFor([&] { return !engine.Status().sourceRunning; }, 10000));
}

TEST_F(PanelEngineTest, PausedShowsTheIdlePictureAndThePreviewDrawsIt) {
    PanelEngine engine(window, statusMessage);
    engine.SetSource(SourceChoice{});
    engine.SetPaused(true);
    std::wstring why;
    ASSERT_TRUE(engine.Start(&why));
    Claim(GetCurrentProcessId());
    // A calm grey, never black, and not the source's picture.
    const auto grey = [](DWORD c) {
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        return r > 48 && abs(r - g) < 24 && abs(g - b) < 24;
    };
    EXPECT_TRUE(WaitFor([&] { return engine.Status().watched && grey(Pixel(4, 4)); }, 5000))
        << "the channel shows " << std::hex << Pixel(4, 4);
    Sleep(500);
    EXPECT_FALSE(testpicture::IsMarker(Reading().marker));
    const PanelStatus paused = engine.Status();
    EXPECT_TRUE(paused.paused);
    EXPECT_FALSE(paused.sourceRunning);

    // The preview, half size: what the channel holds.
    BitmapDc canvas(nullptr);
    void* bits = nullptr;
    canvas.Select(CreateTopDownDib(canvas.Get(), width / 2, height / 2, &bits));
    ASSERT_NE(bits, nullptr);
    const RECT where = {0, 0, width / 2, height / 2};
    engine.PaintPreview(canvas.Get(), where);
    GdiFlush();
    const BYTE* corner = static_cast<const BYTE*>(bits) + (2 * (width / 2) + 2) * 4;
    EXPECT_EQ(RGB(corner[2], corner[1], corner[0]), Pixel(4, 4));
}

} // namespace
