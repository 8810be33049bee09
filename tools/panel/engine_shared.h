#pragma once
// What the window's thread and the engine's thread share: the window's choices, handed over
// under a lock with an event that wakes the engine, and the status going the other way, posted
// to the window when it changes.
#include "kernel_owners.h"
#include "panel_engine.h"

#include <mutex>

struct EngineChoices {
    SourceChoice source;
    unsigned long sourceVersion = 0; // SetSource calls so far: a new choice restarts the source
    bool mirror = false;
    PanelMode mode = PanelMode::WhenWatched;
    bool paused = false;
    std::wstring idlePicture; // empty: the panel's plain one
    unsigned long formatChanges = 0;
};

class EngineShared {
public:
    EngineShared(HWND notify, UINT message);
    EngineShared(const EngineShared&) = delete;
    EngineShared& operator=(const EngineShared&) = delete;

    // The window's side: edits the choices under the lock, then wakes the engine.
    template <class Edit> void Change(Edit edit) {
        {
            const std::lock_guard<std::mutex> guard(lock);
            edit(choices);
            ++version;
        }
        SetEvent(wake.Get());
    }
    PanelStatus Status() const;

    // The engine's side: copies the choices into `into` when they changed since `*seen`.
    bool TakeChoices(EngineChoices& into, unsigned long* seen) const;
    // Makes `status` the one the window reads, and tells the window.
    void Publish(const PanelStatus& status);
    HANDLE Wake() const { return wake.Get(); }
    HANDLE Stopping() const { return stopping.Get(); }
    void Stop() { SetEvent(stopping.Get()); }

private:
    const HWND notify;
    const UINT message;
    // Lock order: a leaf. Nothing else is taken, and nothing waited for, while it is held.
    mutable std::mutex lock;
    EngineChoices choices;
    unsigned long version = 0;
    PanelStatus status;
    CKernelHandle wake;     // auto-reset: the choices changed
    CKernelHandle stopping; // manual-reset: the engine's thread ends
};
