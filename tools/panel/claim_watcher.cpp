#include "claim_watcher.h"

bool ClaimWatcher::Open(const char* regionName) {
    return block.Open(regionName);
}

bool ClaimWatcher::Poll() {
    const qvl_signal_block* signal = block.Get();
    if (signal == nullptr) {
        return false;
    }
    bool changed = false;
    int count = 0;
    for (Slot& slot : slots) {
        const LONG processId = signal->claims[&slot - slots];
        if (processId != slot.processId) {
            Follow(slot, processId);
            changed = true;
        }
        // The handle keeps the id from being reused, so a signalled one stays the ended process.
        const bool alive = slot.process.Get() != nullptr
                               ? WaitForSingleObject(slot.process.Get(), 0) == WAIT_TIMEOUT
                               : slot.unopened;
        changed = changed || alive != slot.live;
        slot.live = alive;
        count += alive ? 1 : 0;
    }
    live = count;
    if (changed) {
        NameUsers();
    }
    return changed;
}

void ClaimWatcher::Follow(Slot& slot, LONG processId) {
    slot.processId = processId;
    slot.unopened = false;
    slot.executable.clear();
    slot.process.Reset(processId == 0 ? nullptr
                                      : OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                                    FALSE, static_cast<DWORD>(processId)));
    if (processId == 0) {
        return;
    }
    if (slot.process.Get() == nullptr) {
        // No such process: the claim is stale. Refused (another user's, or elevated): a live one
        // that we cannot name.
        slot.unopened = GetLastError() != ERROR_INVALID_PARAMETER;
        slot.executable = L"process " + std::to_wstring(processId);
        return;
    }
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(slot.process.Get(), 0, path, &length)) {
        slot.executable = L"process " + std::to_wstring(processId);
        return;
    }
    const std::wstring full(path, length);
    const size_t slash = full.find_last_of(L"\\/");
    slot.executable = slash == std::wstring::npos ? full : full.substr(slash + 1);
}

void ClaimWatcher::NameUsers() {
    users.clear();
    for (const Slot& slot : slots) {
        if (!slot.live) {
            continue;
        }
        // A program streaming through several cameras is named once.
        bool named = false;
        for (const Slot* before = slots; before != &slot && !named; ++before) {
            named =
                before->live && lstrcmpiW(before->executable.c_str(), slot.executable.c_str()) == 0;
        }
        if (!named) {
            users += (users.empty() ? L"" : L", ") + slot.executable;
        }
    }
}
