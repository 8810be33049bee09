#include "frame_signal.h"

#include "channel_objects.h"

FrameSignal::FrameSignal()
    : mapping(CreateOrOpenSignalBlock(QVL_REGION_NAME)), view(mapping.Get()) {
    if (view.Get() != nullptr && view.Span() >= sizeof(qvl_signal_block)) {
        block = reinterpret_cast<qvl_signal_block*>(view.Get());
    }
}

void FrameSignal::CountFrame() {
    if (block != nullptr) {
        InterlockedIncrement(&block->sequence);
    }
}

void FrameSignal::WakeCameras() {
    if (block == nullptr) {
        return;
    }
    for (unsigned i = 0; i < QVL_SIGNAL_SLOTS; ++i) {
        if (block->claims[i] == 0) {
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
