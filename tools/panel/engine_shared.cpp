#include "engine_shared.h"

EngineShared::EngineShared(HWND notify, UINT message)
    : notify(notify), message(message), wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      stopping(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PanelStatus EngineShared::Status() const {
    const std::lock_guard<std::mutex> guard(lock);
    return status;
}

bool EngineShared::TakeChoices(EngineChoices& into, unsigned long* seen) const {
    const std::lock_guard<std::mutex> guard(lock);
    if (version == *seen) {
        return false;
    }
    into = choices;
    *seen = version;
    return true;
}

void EngineShared::Publish(const PanelStatus& next) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        status = next;
    }
    if (notify != nullptr) {
        PostMessageW(notify, message, 0, 0);
    }
}
