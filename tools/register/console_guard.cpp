#include "console_guard.h"

#include <windows.h>

#include <atomic>

namespace {
// Read by the handler, which runs on a thread the system starts for each event.
std::atomic<bool> working{false};

// Windows ends a process about 5 s after a close, logoff or shutdown event reached it.
constexpr DWORD kHoldBackMs = 4500;
constexpr DWORD kPollMs = 20;

// Runs on a thread the system starts for the event, at any moment: it only answers, and takes
// no lock the interrupted steps may hold.
BOOL WINAPI OnControlEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    for (DWORD waited = 0; working && waited < kHoldBackMs; waited += kPollMs) {
        Sleep(kPollMs);
    }
    // The default handler then ends the process, as the event asks.
    return FALSE;
}
} // namespace

ConsoleGuard::ConsoleGuard() {
    working = true;
    SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

ConsoleGuard::~ConsoleGuard() {
    working = false;
    SetConsoleCtrlHandler(OnControlEvent, FALSE);
}
