#pragma once
// The producer's end of the Windows 11 camera's channel (qvl_protocol.h, steps 8 to 11):
// looked for at most once a second, opened only, never created; once found, each frame just
// written for the user's camera is copied in, or fitted when the machine's format differs. A
// channel not found costs one clock reading per frame.
#include "frame_signal.h"
#include "kernel_owners.h"

#include <cstdint>

class GlobalFeed {
public:
    GlobalFeed() = default;
    GlobalFeed(const GlobalFeed&) = delete;
    GlobalFeed& operator=(const GlobalFeed&) = delete;

    // Before a frame: opens the channel if it is not open and the last look is a second old.
    void Look();
    bool IsOpen() const { return target != nullptr; }
    // Under the user's camera's mutex, after `frame` (the camera's layout, `width` x `height`)
    // was written there: waits up to `timeoutMs` for this channel's mutex (lock order: the
    // user's camera's mutex, then this one), writes the frame in, gives the mutex back and
    // wakes the Windows 11 cameras streaming now. False when not written.
    bool Feed(const std::uint8_t* frame, long width, long height, unsigned timeoutMs);

private:
    bool Open();
    void Close();

    bool looked = false;
    unsigned long long lastLook = 0;
    CKernelHandle mapping;
    CMappedView view;
    CKernelHandle mutex;
    FrameSignal signal;
    std::uint8_t* target = nullptr;
    long targetWidth = 0;
    long targetHeight = 0;
};

// Turns a frame of the user's camera's layout (rows bottom-up) into the Windows 11 camera's
// (rows top-down) of the size given: the same size row for row, another one fitted (as large
// as it goes with its aspect ratio kept, centred, black around, each pixel the nearest).
void FitFrame(const std::uint8_t* frame, long width, long height, std::uint8_t* target,
              long targetWidth, long targetHeight);
