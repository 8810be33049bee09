#include "console_guard.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace {
// The handler runs on a thread of its own that the system starts for each event, so the
// state it reads is atomic.
std::atomic<bool> working{false};
std::atomic<bool> toldFinishing{false};

// Windows ends a process about 5 s after a close, logoff or shutdown event reached it.
constexpr DWORD kHoldBackMs = 4500;
constexpr DWORD kPollMs = 20;

BOOL WINAPI OnControlEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        if (!toldFinishing.exchange(true)) {
            std::fputs("qvl_register: interrupted; finishing the current change first\n", stderr);
        }
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
