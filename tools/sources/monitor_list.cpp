#include "monitor_list.h"

#include <cwchar>

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* list = reinterpret_cast<MonitorList*>(data);
    MONITORINFOEXW info = {};
    info.cbSize = sizeof(info);
    if (list->count < MonitorList::most && GetMonitorInfoW(monitor, &info)) {
        if (info.dwFlags & MONITORINFOF_PRIMARY) {
            list->primary = list->count;
        }
        list->monitors[list->count] = monitor;
        list->areas[list->count] = info.rcMonitor;
        std::wcsncpy(list->devices[list->count], info.szDevice, CCHDEVICENAME - 1);
        ++list->count;
    }
    return TRUE;
}

} // namespace

MonitorList EnumerateMonitors() {
    MonitorList list;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
    return list;
}
