#pragma once
// What a screen source shows: a monitor, a rectangle of the virtual desktop, or one window.
// Each is looked up again before every grab, so that the picture follows a monitor whose
// resolution changes and a window that moves or resizes.
#include "screen_grabber.h"

#include <memory>
#include <string>

enum class Sight {
    Found,  // `area` holds where it is now
    Hidden, // still there but shows nothing (a minimised window): keep the last picture
    Gone    // closed or removed
};

class CaptureTarget {
public:
    virtual ~CaptureTarget() = default;
    // Where it lies now, in virtual desktop coordinates (physical pixels).
    virtual Sight Locate(RECT& area) = 0;
    // Grabs `area`, as Locate gave it, into the frame.
    virtual bool Grab(ScreenGrabber& grabber, const RECT& area, bool pointer) {
        return grabber.Grab(area, pointer);
    }
    // For notes and messages: "monitor 1", "window \"Notes\"".
    const std::wstring& Name() const { return name; }

protected:
    std::wstring name;
};

// Monitor `index` counted from 1 in the platform's order, 0 for the primary; null, with the
// monitors there are in `why`, if there is no such monitor.
std::unique_ptr<CaptureTarget> FindMonitor(int index, std::wstring* why);
// The rectangle; null, with the reason, if it lies wholly outside the virtual desktop.
std::unique_ptr<CaptureTarget> FindRegion(const RECT& area, std::wstring* why);
// The first visible top-level window, topmost first, whose title contains `text` (any case);
// null, with the reason, if none does. The calling process's own windows (and its console)
// are never chosen.
std::unique_ptr<CaptureTarget> FindWindowByTitle(const std::wstring& text, std::wstring* why);
// That very window; null, with the reason, if it is no longer there.
std::unique_ptr<CaptureTarget> FindWindowByHandle(HWND window, std::wstring* why);
