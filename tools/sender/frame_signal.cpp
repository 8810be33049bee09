#include "frame_signal.h"

#include "channel_objects.h"

void FrameSignal::Open(const char* regionName, bool openOnly) {
    Close();
    region = regionName;
    opensOnly = openOnly;
    if (openOnly) {
        block.OpenExisting(regionName);
    } else {
        block.Open(regionName);
    }
}

void FrameSignal::Close() {
    block.Close();
    for (CKernelHandle& event : events) {
        event.Reset();
    }
}

void FrameSignal::CountFrame() {
    if (block.Get() != nullptr) {
        InterlockedIncrement(&block.Get()->sequence);
    }
}

void FrameSignal::WakeCameras() {
    qvl_signal_block* const signal = block.Get();
    if (signal == nullptr) {
        return;
    }
    for (unsigned i = 0; i < QVL_SIGNAL_SLOTS; ++i) {
        if (signal->claims[i] == 0) {
            continue;
        }
        if (events[i].Get() == nullptr) {
            events[i].Reset(opensOnly ? OpenSlotEvent(region, i)
                                      : CreateOrOpenSlotEvent(region, i));
        }
        if (events[i].Get() != nullptr) {
            SetEvent(events[i].Get());
        }
    }
}
