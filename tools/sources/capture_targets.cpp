#include "capture_targets.h"

#include "monitor_list.h"
#include "window_printer.h"

#include <cwchar>

namespace {

class MonitorTarget : public CaptureTarget {
public:
    explicit MonitorTarget(int index) : index(index) {
        name = index == 0 ? L"the primary monitor" : L"monitor " + std::to_wstring(index);
    }

    // False if there is no such monitor now.
    bool Find() {
        const MonitorList list = EnumerateMonitors();
        const int at = index == 0 ? list.primary : index - 1;
        if (at >= list.count) {
            return false;
        }
        monitor = list.monitors[at];
        count = GetSystemMetrics(SM_CMONITORS);
        return true;
    }

    Sight Locate(RECT& area) override {
        // A monitor added or removed renumbers them; a new resolution shows in its rectangle.
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (GetSystemMetrics(SM_CMONITORS) != count || !GetMonitorInfo(monitor, &info)) {
            if (!Find() || !GetMonitorInfo(monitor, &info)) {
                return Sight::Gone;
            }
        }
        area = info.rcMonitor;
        return Sight::Found;
    }

private:
    int index;
    HMONITOR monitor = nullptr;
    int count = 0;
};

class RegionTarget : public CaptureTarget {
public:
    explicit RegionTarget(const RECT& area) : area(area) {
        name = L"region " + std::to_wstring(area.left) + L"," + std::to_wstring(area.top) + L"," +
               std::to_wstring(area.right - area.left) + L"," +
               std::to_wstring(area.bottom - area.top);
    }
    Sight Locate(RECT& where) override {
        where = area;
        return Sight::Found;
    }

private:
    RECT area;
};

class WindowTarget : public CaptureTarget {
public:
    WindowTarget(HWND window, const std::wstring& title) : window(window) {
        name = L"window \"" + title + L"\"";
    }

    Sight Locate(RECT& area) override {
        if (!IsWindow(window)) {
            return Sight::Gone;
        }
        RECT client = {};
        if (IsIconic(window) || !IsWindowVisible(window) || !GetClientRect(window, &client) ||
            client.right <= 0 || client.bottom <= 0) {
            return Sight::Hidden;
        }
        // The client area, not the frame: what the program shows, without its title bar.
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        area = client;
        return Sight::Found;
    }

    bool Grab(ScreenGrabber& grabber, const RECT& area, bool pointer) override {
        const int w = area.right - area.left;
        const int h = area.bottom - area.top;
        if (!tried) {
            tried = true;
            printable = printer.Renders(window, w, h);
        }
        if (printable && printer.Print(window, w, h)) {
            return grabber.GrabFrom(printer.Dc(), 0, 0, area, pointer);
        }
        return grabber.Grab(area, pointer);
    }

private:
    HWND window;
    WindowPrinter printer;
    bool tried = false;
    bool printable = false;
};

struct WindowSearch {
    std::wstring text; // lower case
    HWND console;
    HWND found = nullptr;
    std::wstring title;
};

std::wstring Lower(std::wstring text) {
    if (!text.empty()) {
        CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    }
    return text;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    wchar_t title[512];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (window == search->console || process == GetCurrentProcessId() || !IsWindowVisible(window) ||
        GetWindowTextW(window, title, 512) <= 0) {
        return TRUE;
    }
    if (Lower(title).find(search->text) == std::wstring::npos) {
        return TRUE;
    }
    search->found = window;
    search->title = title;
    return FALSE;
}

} // namespace

std::unique_ptr<CaptureTarget> FindMonitor(int index, std::wstring* why) {
    auto target = std::make_unique<MonitorTarget>(index);
    if (target->Find()) {
        return target;
    }
    const MonitorList list = EnumerateMonitors();
    *why = L"there is no monitor " + std::to_wstring(index) + L"; the monitors are:";
    for (int i = 0; i < list.count; ++i) {
        const RECT& r = list.areas[i];
        wchar_t line[96];
        std::swprintf(line, 96, L"\n  %d: %ldx%ld at %ld,%ld%ls", i + 1, r.right - r.left,
                      r.bottom - r.top, r.left, r.top, i == list.primary ? L" (primary)" : L"");
        *why += line;
    }
    return nullptr;
}

std::unique_ptr<CaptureTarget> FindRegion(const RECT& area, std::wstring* why) {
    const RECT desktop = {
        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
        GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
        GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT common = {};
    if (!IntersectRect(&common, &area, &desktop)) {
        wchar_t text[128];
        std::swprintf(text, 128, L"the region lies outside the desktop (%ldx%ld at %ld,%ld)",
                      desktop.right - desktop.left, desktop.bottom - desktop.top, desktop.left,
                      desktop.top);
        *why = text;
        return nullptr;
    }
    return std::make_unique<RegionTarget>(area);
}

std::unique_ptr<CaptureTarget> FindWindowByTitle(const std::wstring& text, std::wstring* why) {
    WindowSearch search;
    search.text = Lower(text);
    search.console = GetConsoleWindow();
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        *why = L"no window's title contains \"" + text + L"\"";
        return nullptr;
    }
    return std::make_unique<WindowTarget>(search.found, search.title);
}

std::unique_ptr<CaptureTarget> FindWindowByHandle(HWND window, std::wstring* why) {
    wchar_t title[512] = L"";
    if (!IsWindow(window)) {
        *why = L"the window has gone";
        return nullptr;
    }
    GetWindowTextW(window, title, 512);
    return std::make_unique<WindowTarget>(window, title);
}
