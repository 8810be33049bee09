#include "frame_signal.h"

#include <cstdio>

FrameSignal::FrameSignal()
    : mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 sizeof(qvl_signal_block), QVL_SIGNAL_NAME)),
      view(mapping.Get()) {
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
            char name[sizeof(QVL_REGION_NAME) + 32];
            std::snprintf(name, sizeof(name), QVL_SIGNAL_EVENT_FORMAT, QVL_REGION_NAME, i);
            events[i].Reset(CreateEventA(nullptr, FALSE, FALSE, name));
        }
        if (events[i].Get() != nullptr) {
            SetEvent(events[i].Get());
        }
    }
}
