#pragma once
// The frame signal's block of a region, mapped and its size checked here once for every end:
// the camera that claims a slot in it, the producer that counts frames and wakes the claimants,
// and whoever watches which programs stream.
#include "kernel_owners.h"
#include "qvl_protocol.h"

class SignalBlock {
public:
    SignalBlock() = default;
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

    // Creates (zero-filled, with `security`) or opens the block of the region `regionName` and
    // maps it; false, with nothing held, when it cannot be had or is smaller than a block.
    bool Open(const char* regionName, SECURITY_ATTRIBUTES* security = nullptr);
    // As Open, but only when the block exists already, and with a producer's rights.
    bool OpenExisting(const char* regionName);
    void Close();
    // The mapped block, or null.
    qvl_signal_block* Get() const { return block; }

private:
    bool Map(HANDLE handle);

    CKernelHandle mapping;
    CMappedView view;
    qvl_signal_block* block = nullptr;
};

// True when the claim of `processId` was left by a process that has ended (a camera that
// crashed while streaming): such a claim counts as none.
bool ClaimIsStale(LONG processId);
