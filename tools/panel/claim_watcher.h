#pragma once
// Which programs stream from the camera now: the claims of the frame signal's block, read about
// ten times a second. A process handle is kept per claimed slot, opened only when the slot's
// process id changes, to tell a live claimant from one that has ended (whose claim counts as
// none) and to name its executable. Nothing is allocated by a poll that finds no change.
// Both cameras are watched: the DirectShow camera's block, and the Windows 11 camera's once it
// exists (looked for at most once a second), whose claimant is the system's camera service.
#include "kernel_owners.h"
#include "signal_block.h"

#include <string>

class ClaimWatcher {
public:
    ClaimWatcher() = default;
    ClaimWatcher(const ClaimWatcher&) = delete;
    ClaimWatcher& operator=(const ClaimWatcher&) = delete;

    // Maps the block of the region `regionName`, creating it (zero-filled) if no camera has;
    // the block of `optionalRegion` is mapped when it exists, which Poll looks for again.
    bool Open(const char* regionName, const char* optionalRegion);
    // Reads the claims; true when the live claimants differ from the last poll's.
    bool Poll();
    // Processes alive that hold a claim now.
    int LiveCount() const { return live; }
    // "Zoom.exe, chrome.exe": each live claimant's executable once, in slot order.
    const std::wstring& Users() const { return users; }

private:
    struct Slot {
        LONG processId = 0;
        CKernelHandle process; // null: none claims, the process is gone, or it is not ours to open
        bool unopened = false; // the process exists but refused to be opened: counted live
        bool live = false;
        std::wstring executable;
    };
    struct Camera {
        SignalBlock block;
        Slot slots[QVL_SIGNAL_SLOTS];
        const wchar_t* unnamed = nullptr; // what a claimant we may not open is called
    };
    static const int cameraCount = 2;
    bool PollCamera(Camera& camera, int* count);
    void LookForOptional();
    void Follow(Slot& slot, LONG processId, const wchar_t* unnamed);
    void NameUsers();

    Camera cameras[cameraCount];
    const char* optional = nullptr;
    ULONGLONG optionalLookedAt = 0;
    int live = 0;
    std::wstring users;
};
