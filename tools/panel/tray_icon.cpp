#include "tray_icon.h"

#include <cwchar>

TrayIcon::TrayIcon(HWND owner, UINT message, HICON icon)
    : taskbarCreated(RegisterWindowMessageW(L"TaskbarCreated")) {
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = message;
    data.hIcon = icon;
}

TrayIcon::~TrayIcon() {
    if (added) {
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
}

void TrayIcon::Add() {
    // Where there is no notification area yet (no shell), the icon comes with TaskbarCreated.
    added = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    data.uVersion = NOTIFYICON_VERSION_4;
    if (added) {
        Shell_NotifyIconW(NIM_SETVERSION, &data);
    }
}

void TrayIcon::SetTip(const std::wstring& tip) {
    std::wcsncpy(data.szTip, tip.c_str(), ARRAYSIZE(data.szTip) - 1);
    data.szTip[ARRAYSIZE(data.szTip) - 1] = L'\0';
    if (added) {
        Shell_NotifyIconW(NIM_MODIFY, &data);
    }
}
