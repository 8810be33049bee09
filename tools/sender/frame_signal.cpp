#include "frame_signal.h"

#include "channel_objects.h"

FrameSignal::FrameSignal() {
    block.Open(QVL_REGION_NAME);
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
            events[i].Reset(CreateOrOpenSlotEvent(QVL_REGION_NAME, i));
        }
        if (events[i].Get() != nullptr) {
            SetEvent(events[i].Get());
        }
    }
}
