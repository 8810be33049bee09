#include "claim_watcher.h"

bool ClaimWatcher::Open(const char* regionName, const char* optionalRegion) {
    optional = optionalRegion;
    // The Windows 11 camera runs in a service whose process a user may not open.
    cameras[1].unnamed = L"the Windows 11 camera";
    LookForOptional();
    return cameras[0].block.Open(regionName);
}

void ClaimWatcher::LookForOptional() {
    Camera& camera = cameras[1];
    if (optional == nullptr || camera.block.Get() != nullptr) {
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (optionalLookedAt != 0 && now - optionalLookedAt < 1000) {
        return;
    }
    optionalLookedAt = now;
    camera.block.OpenExisting(optional);
}

bool ClaimWatcher::Poll() {
    LookForOptional();
    bool changed = false;
    int count = 0;
    for (Camera& camera : cameras) {
        changed = PollCamera(camera, &count) || changed;
    }
    live = count;
    if (changed) {
        NameUsers();
    }
    return changed;
}

bool ClaimWatcher::PollCamera(Camera& camera, int* count) {
    const qvl_signal_block* signal = camera.block.Get();
    if (signal == nullptr) {
        return false;
    }
    bool changed = false;
    for (Slot& slot : camera.slots) {
        const LONG processId = signal->claims[&slot - camera.slots];
        if (processId != slot.processId) {
            Follow(slot, processId, camera.unnamed);
            changed = true;
        }
        // The handle keeps the id from being reused, so a signalled one stays the ended process.
        const bool alive = slot.process.Get() != nullptr
                               ? WaitForSingleObject(slot.process.Get(), 0) == WAIT_TIMEOUT
                               : slot.unopened;
        changed = changed || alive != slot.live;
        slot.live = alive;
        *count += alive ? 1 : 0;
    }
    return changed;
}

void ClaimWatcher::Follow(Slot& slot, LONG processId, const wchar_t* unnamed) {
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
        slot.executable = unnamed != nullptr ? unnamed : L"process " + std::to_wstring(processId);
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
    const Slot* named[cameraCount * QVL_SIGNAL_SLOTS];
    int count = 0;
    for (const Camera& camera : cameras) {
        for (const Slot& slot : camera.slots) {
            if (!slot.live) {
                continue;
            }
            // A program streaming through several cameras is named once.
            bool seen = false;
            for (int i = 0; i < count && !seen; ++i) {
                seen = lstrcmpiW(named[i]->executable.c_str(), slot.executable.c_str()) == 0;
            }
            if (!seen) {
                named[count++] = &slot;
                users += (users.empty() ? L"" : L", ") + slot.executable;
            }
        }
    }
}
