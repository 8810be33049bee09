#include "mf_support.h"

#include "host_path.h"
#include "qvl_protocol.h"

#include <mferror.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

MfScope::MfScope() : started(MFStartup(MF_VERSION, MFSTARTUP_FULL)) {}

MfScope::~MfScope() {
    if (SUCCEEDED(started)) {
        MFShutdown();
    }
}

const char* MediaSourceDllPath() {
    static const std::string path = WindowsPathOfHost(MF_SOURCE_DLL);
    return path.c_str();
}

ComPtr<IMFMediaSource> CreateMediaSource(HRESULT* hr) {
    return LoadMediaSource(MediaSourceDllPath(), hr);
}

DWORD NumberIn(const BYTE* pixel) {
    return pixel[0] | pixel[1] << 8 | pixel[2] << 16;
}

void ExpectFreshInOrder(const std::vector<DWORD>& numbers) {
    ASSERT_GE(numbers.size(), 40u);
    size_t repeated = 0;
    size_t skipped = 0;
    for (size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_GE(numbers[i], numbers[i - 1]) << "out of order at " << i;
        repeated += numbers[i] == numbers[i - 1];
        skipped += numbers[i] > numbers[i - 1] + 1;
    }
    EXPECT_LE(repeated, numbers.size() / 10) << "samples that were not fresh";
    EXPECT_LE(skipped, numbers.size() / 10) << "frames missed";
}

bool NumberedProducer::Start() {
    qvl_camera_format format = {};
    if (qvl_sender_open(1000, &sender) != QVL_OK || qvl_sender_format(sender, &format) != QVL_OK) {
        return false;
    }
    const size_t row = static_cast<size_t>(format.width) * 4;
    pixels.assign(row * format.height, 0);
    for (int y = 0; y < format.height; ++y) {
        const BYTE* colour = y < format.height / 2 ? PictureColours::top : PictureColours::bottom;
        for (int x = 0; x < format.width; ++x) {
            std::copy(colour, colour + 3, &pixels[y * row + x * 4]);
        }
    }
    frame = {pixels.data(),  pixels.size(), format.width, format.height,
             ptrdiff_t(row), QVL_TOP_DOWN,  QVL_BGRX,     0};
    thread = std::thread([this] { Run(); });
    return true;
}

void NumberedProducer::Run() {
    const auto start = std::chrono::steady_clock::now();
    const std::chrono::microseconds period(1000000 / fps);
    for (DWORD n = 1; !stop; ++n) {
        std::this_thread::sleep_until(start + n * period);
        pixels[0] = static_cast<BYTE>(n);
        pixels[1] = static_cast<BYTE>(n >> 8);
        pixels[2] = static_cast<BYTE>(n >> 16);
        if (qvl_sender_send(sender, &frame) == QVL_OK) {
            sent = n;
        }
    }
}

void NumberedProducer::Stop() {
    stop = true;
    if (thread.joinable()) {
        thread.join();
    }
    qvl_sender_close(sender);
    sender = nullptr;
}

MediaEventType NextEvent(IMFMediaEventGenerator* generator, PROPVARIANT* value) {
    // Polled, so that a missing event fails the test instead of hanging it.
    for (int waited = 0; waited < 5000; waited += 5) {
        ComPtr<IMFMediaEvent> event;
        const HRESULT hr = generator->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event);
        if (SUCCEEDED(hr)) {
            MediaEventType type = MEError;
            event->GetType(&type);
            if (value != nullptr) {
                event->GetValue(value);
            }
            return type;
        }
        if (hr != MF_E_NO_EVENTS_AVAILABLE) {
            return MEError;
        }
        Sleep(5);
    }
    return MEError;
}

int ThreadCount() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snapshot);
    return count;
}
