#pragma once
// The panel's notification-area icon, as Windows' conventions ask: version 4 (keyboard
// selection, the menu on WM_CONTEXTMENU), added again whenever the taskbar is re-created.
#include <windows.h>

#include <shellapi.h>

#include <string>

class TrayIcon {
public:
    // Events come to `owner` as `message`; the icon appears with Add.
    TrayIcon(HWND owner, UINT message, HICON icon);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon (again, after the taskbar was re-created).
    void Add();
    void SetTip(const std::wstring& tip);
    // The message Explorer broadcasts when it has re-created the taskbar.
    UINT TaskbarCreated() const { return taskbarCreated; }

private:
    NOTIFYICONDATAW data = {};
    const UINT taskbarCreated;
    bool added = false;
};
