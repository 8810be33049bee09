#pragma once
// A camera's end of the optional frame signal: the small block "<region>.signal" whose
// sequence a producer advances with each frame, and a slot of its own in that block whose
// event the producer sets after each frame. A producer that never signals leaves the sequence
// at 0 and the event unset, and the camera paces as without it.
#include "kernel_owners.h"
#include "qvl_protocol.h"
#include "signal_block.h"

#include <windows.h>

class Cqvl_FrameSignal {
public:
    Cqvl_FrameSignal() = default;
    ~Cqvl_FrameSignal() { Release(); }
    Cqvl_FrameSignal(const Cqvl_FrameSignal&) = delete;
    Cqvl_FrameSignal& operator=(const Cqvl_FrameSignal&) = delete;

    // Creates or opens the block of the region `regionName`; false when it cannot be had.
    // `blockSecurity` and `eventSecurity` (kept by the caller while this lives) are given to
    // the block and to the slot events this end creates; null: the default.
    bool Open(const char* regionName, SECURITY_ATTRIBUTES* blockSecurity = nullptr,
              SECURITY_ATTRIBUTES* eventSecurity = nullptr);
    // Claims a free slot (or one whose camera's process has ended) and opens its event; false
    // when the block is not open or every slot is taken. Once per streaming run.
    bool Claim();
    // Gives the slot back and closes its event.
    void Release();

    // The claimed slot's event, or null.
    HANDLE Event() const { return event.Get(); }
    // Frames the producer has said it wrote; 0 without a block.
    LONG Sequence() const { return block.Get() != nullptr ? block.Get()->sequence : 0; }

private:
    bool TakeSlot(LONG self);

    char region[256] = {};
    SECURITY_ATTRIBUTES* eventSecurity = nullptr;
    SignalBlock block;
    CKernelHandle event;
    int slot = -1;
};
