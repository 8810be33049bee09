#include "framesignal.h"

#include "channel_objects.h"

bool Cqvl_FrameSignal::Open(const char* regionName, SECURITY_ATTRIBUTES* blockSecurity,
                            SECURITY_ATTRIBUTES* slotSecurity) {
    if (block.Get() != nullptr || regionName == nullptr) {
        return false;
    }
    lstrcpynA(region, regionName, sizeof(region));
    eventSecurity = slotSecurity;
    return block.Open(region, blockSecurity);
}

bool Cqvl_FrameSignal::Claim() {
    if (block.Get() == nullptr || slot >= 0) {
        return slot >= 0;
    }
    const LONG self = static_cast<LONG>(GetCurrentProcessId());
    if (!TakeSlot(self)) {
        return false;
    }
    event.Reset(CreateOrOpenSlotEvent(region, static_cast<unsigned>(slot), eventSecurity));
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
        if (InterlockedCompareExchange(&block.Get()->claims[i], self, 0) == 0) {
            slot = i;
            return true;
        }
    }
    for (int i = 0; i < QVL_SIGNAL_SLOTS; ++i) {
        const LONG owner = block.Get()->claims[i];
        if (owner != self && ClaimIsStale(owner) &&
            InterlockedCompareExchange(&block.Get()->claims[i], self, owner) == owner) {
            slot = i;
            return true;
        }
    }
    return false;
}

void Cqvl_FrameSignal::Release() {
    event.Reset();
    if (slot >= 0) {
        InterlockedExchange(&block.Get()->claims[slot], 0);
        slot = -1;
    }
}
