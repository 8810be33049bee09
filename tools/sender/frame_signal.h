#pragma once
// The producer's end of the optional frame signal: counts each frame in the block
// "<region>.signal" and sets the event of every camera that has claimed a slot there. A block
// that cannot be had leaves the sender writing frames without the signal. One per channel.
#include "kernel_owners.h"
#include "qvl_protocol.h"
#include "signal_block.h"

class FrameSignal {
public:
    FrameSignal() = default;
    FrameSignal(const FrameSignal&) = delete;
    FrameSignal& operator=(const FrameSignal&) = delete;

    // The signal of the region `regionName` (kept by the caller). `openOnly`: the block and
    // the events are never created here (the Windows 11 camera's, which only it makes).
    void Open(const char* regionName, bool openOnly);
    void Close();
    // Under the mutex, after the frame is written.
    void CountFrame();
    // After the mutex is given back: wakes every camera streaming now. An event is opened the
    // first time its slot is claimed and kept; nothing is made per frame after that.
    void WakeCameras();

private:
    const char* region = nullptr;
    bool opensOnly = false;
    SignalBlock block;
    CKernelHandle events[QVL_SIGNAL_SLOTS];
};
