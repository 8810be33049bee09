#include "source_factory.h"

#include "capture_targets.h"
#include "image_source.h"
#include "monitor_list.h"
#include "pattern_source.h"
#include "screen_source.h"
#include "stdin_source.h"
#include "video_source.h"

#include <dwmapi.h>

#include <cwchar>

namespace {

std::unique_ptr<FrameSource> MakeScreenSource(const SourceChoice& choice, int width, int height,
                                              std::wstring* why) {
    BecomeDpiAware();
    std::unique_ptr<CaptureTarget> target =
        choice.kind == SourceKind::Screen   ? FindMonitor(choice.screenIndex, why)
        : choice.kind == SourceKind::Region ? FindRegion(choice.region, why)
        : choice.window != nullptr          ? FindWindowByHandle(choice.window, why)
                                            : FindWindowByTitle(choice.windowTitle, why);
    if (!target) {
        return nullptr;
    }
    auto source = std::make_unique<ScreenSource>(std::move(target), width, height, choice.pointer);
    if (!source->Ready()) {
        *why = L"cannot read the screen";
        return nullptr;
    }
    return source;
}

// What the taskbar would show: not a tool window, not owned by another unless it asks to be
// shown, not hidden by the compositor (a suspended app's window).
bool OnTaskbar(HWND window) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    if ((style & WS_EX_TOOLWINDOW) != 0 ||
        (GetWindow(window, GW_OWNER) != nullptr && (style & WS_EX_APPWINDOW) == 0)) {
        return false;
    }
    DWORD cloaked = 0;
    return FAILED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked))) ||
           cloaked == 0;
}

struct WindowListing {
    bool withOwn;
    std::vector<WindowInfo> windows;
};

BOOL CALLBACK AddWindow(HWND window, LPARAM data) {
    auto* listing = reinterpret_cast<WindowListing*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t title[512];
    if ((listing->withOwn || process != GetCurrentProcessId()) && IsWindowVisible(window) &&
        OnTaskbar(window) && GetWindowTextW(window, title, 512) > 0) {
        listing->windows.push_back({window, title});
    }
    return TRUE;
}

} // namespace

std::unique_ptr<FrameSource> MakeSource(const SourceChoice& choice, int width, int height,
                                        std::wstring* why) {
    switch (choice.kind) {
    case SourceKind::Stdin:
        return std::make_unique<StdinSource>(width, height, choice.pixFmt);
    case SourceKind::Image: {
        auto image = std::make_unique<ImageSource>(width, height);
        return image->Load(choice.path, why) ? std::move(image) : nullptr;
    }
    case SourceKind::Video: {
        auto video = std::make_unique<VideoSource>(width, height);
        return video->Open(choice.path, why) ? std::move(video) : nullptr;
    }
    case SourceKind::Screen:
    case SourceKind::Region:
    case SourceKind::Window:
        return MakeScreenSource(choice, width, height, why);
    case SourceKind::Pattern:
        break;
    }
    return std::make_unique<PatternSource>(width, height);
}

std::vector<MonitorInfo> ListMonitors() {
    BecomeDpiAware();
    const MonitorList list = EnumerateMonitors();
    std::vector<MonitorInfo> monitors;
    for (int i = 0; i < list.count; ++i) {
        MonitorInfo info;
        info.index = i + 1;
        info.primary = i == list.primary;
        info.area = list.areas[i];
        wchar_t name[96];
        std::swprintf(name, 96, L"%d: %ls, %ld x %ld%ls", info.index, list.devices[i],
                      info.area.right - info.area.left, info.area.bottom - info.area.top,
                      info.primary ? L" (primary)" : L"");
        info.name = name;
        monitors.push_back(info);
    }
    return monitors;
}

std::vector<WindowInfo> ListWindows(bool withOwn) {
    WindowListing listing{withOwn, {}};
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&listing));
    return listing.windows;
}

void BecomeDpiAware() {
    // Per monitor where the platform offers it (Windows 10 1703 on), else for the system's
    // scale. A process whose awareness is already set (by its manifest) is refused access and
    // keeps what it has.
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto setContext = reinterpret_cast<SetContext>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (setContext == nullptr || (!setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) &&
                                  GetLastError() != ERROR_ACCESS_DENIED)) {
        SetProcessDPIAware();
    }
}
