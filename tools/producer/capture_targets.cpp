#include "capture_targets.h"

#include "window_printer.h"

#include <cstdio>
#include <cwchar>

namespace {

// The monitors, in the platform's order; a fixed table, so that following them costs nothing.
struct MonitorList {
    static const int most = 16;
    HMONITOR monitors[most] = {};
    RECT areas[most] = {};
    int count = 0;
    int primary = 0;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* list = reinterpret_cast<MonitorList*>(data);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (list->count < MonitorList::most && GetMonitorInfo(monitor, &info)) {
        if (info.dwFlags & MONITORINFOF_PRIMARY) {
            list->primary = list->count;
        }
        list->monitors[list->count] = monitor;
        list->areas[list->count++] = info.rcMonitor;
    }
    return TRUE;
}

MonitorList ListMonitors() {
    MonitorList list;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
    return list;
}

class MonitorTarget : public CaptureTarget {
public:
    explicit MonitorTarget(int index) : index(index) {
        name = index == 0 ? "the primary monitor" : "monitor " + std::to_string(index);
    }

    // False if there is no such monitor now.
    bool Find() {
        const MonitorList list = ListMonitors();
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
        name = "region " + std::to_string(area.left) + "," + std::to_string(area.top) + "," +
               std::to_string(area.right - area.left) + "," +
               std::to_string(area.bottom - area.top);
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
        char text[256];
        WideCharToMultiByte(CP_ACP, 0, title.c_str(), -1, text, sizeof(text), nullptr, nullptr);
        text[sizeof(text) - 1] = '\0';
        name = std::string("window \"") + text + "\"";
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
    HWND own;
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
    if (window == search->own || !IsWindowVisible(window) ||
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

std::wstring Widen(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1u, L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
    }
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

} // namespace

std::unique_ptr<CaptureTarget> FindMonitor(int index) {
    auto target = std::make_unique<MonitorTarget>(index);
    if (target->Find()) {
        return target;
    }
    const MonitorList list = ListMonitors();
    std::fprintf(stderr, "qvl_producer: there is no monitor %d; the monitors are:\n", index);
    for (int i = 0; i < list.count; ++i) {
        const RECT& r = list.areas[i];
        std::fprintf(stderr, "  %d: %ldx%ld at %ld,%ld%s\n", i + 1, r.right - r.left,
                     r.bottom - r.top, r.left, r.top, i == list.primary ? " (primary)" : "");
    }
    return nullptr;
}

std::unique_ptr<CaptureTarget> FindRegion(const RECT& area) {
    const RECT desktop = {
        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
        GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
        GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT common = {};
    if (!IntersectRect(&common, &area, &desktop)) {
        std::fprintf(
            stderr, "qvl_producer: the region lies outside the desktop (%ldx%ld at %ld,%ld)\n",
            desktop.right - desktop.left, desktop.bottom - desktop.top, desktop.left, desktop.top);
        return nullptr;
    }
    return std::make_unique<RegionTarget>(area);
}

std::unique_ptr<CaptureTarget> FindWindowByTitle(const std::string& text) {
    WindowSearch search;
    search.text = Lower(Widen(text));
    search.own = GetConsoleWindow();
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        std::fprintf(stderr, "qvl_producer: no window's title contains \"%s\"\n", text.c_str());
        return nullptr;
    }
    return std::make_unique<WindowTarget>(search.found, search.title);
}
