#pragma once
// What the Windows 11 camera's tests share: Media Foundation started for a scope, the media
// source made through the built DLL's own class factory (media_source_host.h has the machine's
// format for a scope), and a producer that writes numbered frames through the sender library.
#include "com_owners.h"
#include "kernel_owners.h"
#include "media_source_host.h"
#include "qvl_sender.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <atomic>
#include <thread>
#include <vector>

// COM (multithreaded) and Media Foundation, for one scope.
class MfScope {
public:
    MfScope();
    ~MfScope();
    MfScope(const MfScope&) = delete;
    MfScope& operator=(const MfScope&) = delete;
    HRESULT Result() const { return started; }

private:
    CComScope com;
    HRESULT started;
};

// A media source made through srcfilter_mf.dll's exported class factory.
ComPtr<IMFMediaSource> CreateMediaSource(HRESULT* hr = nullptr);
// The DLL's path as the test sees it.
const char* MediaSourceDllPath();

// The producer's test picture at the user's format, top row first: the top half red, the
// bottom half blue, and the frame number in the first pixel (blue, green, red = its low,
// middle and high bytes).
struct PictureColours {
    static constexpr BYTE top[3] = {0, 0, 200};    // B G R
    static constexpr BYTE bottom[3] = {200, 0, 0}; // B G R
};
DWORD NumberIn(const BYTE* pixel);
// Frame numbers as a camera delivered them: in order, each a fresh frame and none missed,
// but for a tenth that a loaded machine may cost (a producer late by more than half a frame
// has its last picture shown again, by the pacing's design, and one that catches up skips).
void ExpectFreshInOrder(const std::vector<DWORD>& numbers);

// Sends frame 1, 2, ... at `fps` through the sender (which signals each one) until stopped.
class NumberedProducer {
public:
    explicit NumberedProducer(int fps) : fps(fps) {}
    ~NumberedProducer() { Stop(); }
    NumberedProducer(const NumberedProducer&) = delete;
    NumberedProducer& operator=(const NumberedProducer&) = delete;

    bool Start();
    void Stop();
    DWORD Sent() const { return sent; }

private:
    void Run();

    const int fps;
    qvl_sender* sender = nullptr;
    std::vector<BYTE> pixels;
    qvl_frame frame = {};
    std::atomic<bool> stop{false};
    std::atomic<DWORD> sent{0};
    std::thread thread;
};

// The next event of `generator`, waiting up to five seconds (then MEError); its value in
// `*value` when asked.
MediaEventType NextEvent(IMFMediaEventGenerator* generator, PROPVARIANT* value = nullptr);
// Threads this process runs now.
int ThreadCount();
