#include "framesignal.h"

#include "channel_objects.h"

namespace {
// A claim left by a camera whose process has ended (it crashed while streaming).
bool ClaimIsStale(LONG processId) {
    const CKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId)));
    return process.Get() == nullptr ? GetLastError() == ERROR_INVALID_PARAMETER
                                    : WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}
} // namespace

bool Cqvl_FrameSignal::Open(const char* regionName) {
    if (block != nullptr || regionName == nullptr) {
        return false;
    }
    lstrcpynA(region, regionName, sizeof(region));
    mapping.Reset(CreateOrOpenSignalBlock(region));
    if (mapping.Get() == nullptr || !view.Map(mapping.Get()) ||
        view.Span() < sizeof(qvl_signal_block)) {
        view.Reset();
        mapping.Reset();
        return false;
    }
    block = reinterpret_cast<qvl_signal_block*>(view.Get());
    return true;
}

bool Cqvl_FrameSignal::Claim() {
    if (block == nullptr || slot >= 0) {
        return slot >= 0;
    }
    const LONG self = static_cast<LONG>(GetCurrentProcessId());
    if (!TakeSlot(self)) {
        return false;
    }
    event.Reset(CreateOrOpenSlotEvent(region, static_cast<unsigned>(slot)));
    if (event.Get() == nullptr) {
        Release();
        return false;
    }
    // A signal left from the slot's last camera only wakes this one early once; the pacing
    // looks at the sequence, not at the event.
    return true;
}

bool Cqvl_FrameSignal::TakeSlot(LONG self) {
    for (int i = 0; i < QVL_SIGNAL_SLOTS; ++i) {
        if (InterlockedCompareExchange(&block->claims[i], self, 0) == 0) {
            slot = i;
            return true;
        }
    }
    for (int i = 0; i < QVL_SIGNAL_SLOTS; ++i) {
        const LONG owner = block->claims[i];
        if (owner != self && ClaimIsStale(owner) &&
            InterlockedCompareExchange(&block->claims[i], self, owner) == owner) {
            slot = i;
            return true;
        }
    }
    return false;
}

void Cqvl_FrameSignal::Release() {
    event.Reset();
    if (slot >= 0) {
        InterlockedExchange(&block->claims[slot], 0);
        slot = -1;
    }
}
