#pragma once
// One panel per session: a named mutex in the session's namespace says whether one runs, and
// its window (found by class) takes a second start's command line or a request to exit.
#include "kernel_owners.h"

#include <windows.h>

class SingleInstance {
public:
    SingleInstance();
    // True for the first panel of the session, which keeps the mutex for its whole life.
    bool First() const { return first; }

private:
    CKernelHandle mutex;
    bool first = false;
};

// Brings the running panel forward and hands it `commandLine` (the whole of this start's),
// which it applies for its run; false when no panel window came up within a few seconds.
bool HandOver(const wchar_t* commandLine);
// Asks a running panel to exit and waits until its process has ended: true once it has, or
// when none runs; false when it did not end within `timeoutMs`.
bool QuitRunningPanel(DWORD timeoutMs);
