#pragma once
// The producer's end of the optional frame signal: counts each frame in the block
// "<region>.signal" and sets the event of every camera that has claimed a slot there. A block
// that cannot be had leaves the sender writing frames without the signal.
#include "kernel_owners.h"
#include "qvl_protocol.h"
#include "signal_block.h"

class FrameSignal {
public:
    FrameSignal();
    FrameSignal(const FrameSignal&) = delete;
    FrameSignal& operator=(const FrameSignal&) = delete;

    // Under the mutex, after the frame is written.
    void CountFrame();
    // After the mutex is given back: wakes every camera streaming now. An event is opened the
    // first time its slot is claimed and kept; nothing is made per frame after that.
    void WakeCameras();

private:
    SignalBlock block;
    CKernelHandle events[QVL_SIGNAL_SLOTS];
};
