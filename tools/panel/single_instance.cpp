#include "single_instance.h"

#include "panel_messages.h"
#include "panel_names.h"

#include <cwchar>

namespace {

const wchar_t* const mutexName = L"Local\\" QVL_PANEL_RUN_VALUE " instance";

bool PanelRuns() {
    const CKernelHandle running(OpenMutexW(SYNCHRONIZE, FALSE, mutexName));
    return running.Get() != nullptr;
}

// The running panel's window; waits up to `timeoutMs` while a panel starts but has none yet.
HWND FindPanel(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const HWND panel = FindWindowW(L"" QVL_PANEL_WINDOW_CLASS, nullptr);
        if (panel != nullptr || GetTickCount64() >= deadline || !PanelRuns()) {
            return panel;
        }
        Sleep(50);
    }
}

} // namespace

SingleInstance::SingleInstance() {
    mutex.Reset(CreateMutexW(nullptr, FALSE, mutexName));
    first = mutex.Get() != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

bool HandOver(const wchar_t* commandLine) {
    const HWND panel = FindPanel(5000);
    if (panel == nullptr) {
        return false;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(panel, &process);
    // This start came from the user, so it may pass the right to come forward on.
    AllowSetForegroundWindow(process);
    COPYDATASTRUCT data = {};
    data.dwData = panelHandOverTag;
    data.cbData = static_cast<DWORD>((std::wcslen(commandLine) + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(commandLine);
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(panel, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, 5000, &answer) != 0;
}

bool QuitRunningPanel(DWORD timeoutMs) {
    const HWND panel = FindPanel(timeoutMs);
    if (panel == nullptr) {
        return !PanelRuns();
    }
    DWORD id = 0;
    GetWindowThreadProcessId(panel, &id);
    const CKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (process.Get() == nullptr || !PostMessageW(panel, panelQuitMessage, 0, 0)) {
        return false;
    }
    return WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
}
