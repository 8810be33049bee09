#pragma once
// The one way to a picture source, for the producer and the panel alike, and what a window
// needs to offer the choices: the monitors and the windows there are.
#include "frame_source.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

enum class SourceKind { Pattern, Stdin, Image, Video, Screen, Region, Window };

struct SourceChoice {
    SourceKind kind = SourceKind::Pattern;
    std::wstring path;        // --image / --video
    int screenIndex = 0;      // --screen N: 1 for the first monitor, 0 for the primary
    RECT region = {};         // --region, virtual-desktop coordinates
    std::wstring windowTitle; // --window: a case-insensitive part of the title
    HWND window = nullptr;    // a window picked from ListWindows(); before the title when set
    bool pointer = true;      // the mouse pointer drawn into screen pictures
    qvl_pixel_layout pixFmt = QVL_BGRA; // --stdin only
};

// Null when the source cannot be had; *why then says why in a sentence for the user.
std::unique_ptr<FrameSource> MakeSource(const SourceChoice& choice, int width, int height,
                                        std::wstring* why);

struct MonitorInfo {
    int index = 0; // from 1, as --screen counts
    bool primary = false;
    RECT area = {};    // virtual-desktop coordinates, physical pixels
    std::wstring name; // "1: \\.\DISPLAY1, 1920 x 1080 (primary)"
};
std::vector<MonitorInfo> ListMonitors();

struct WindowInfo {
    HWND window = nullptr;
    std::wstring title;
};
// The visible, titled top-level windows a user would switch to, topmost first; without the
// calling process's own unless `withOwn`.
std::vector<WindowInfo> ListWindows(bool withOwn = false);

// Screen coordinates in physical pixels on scaled displays, for the whole process.
void BecomeDpiAware();
