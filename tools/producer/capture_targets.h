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
    // For the progress line and messages: "monitor 1", "window \"Notes\"".
    const std::string& Name() const { return name; }

protected:
    std::string name;
};

// Monitor `index` counted from 1 in the platform's order, 0 for the primary; null, with the
// monitors there are on standard error, if there is no such monitor.
std::unique_ptr<CaptureTarget> FindMonitor(int index);
// The rectangle; null, with a message, if it lies wholly outside the virtual desktop.
std::unique_ptr<CaptureTarget> FindRegion(const RECT& area);
// The first visible top-level window, topmost first, whose title contains `text` (any case);
// null, with a message, if none does. The producer's own console window is never chosen.
std::unique_ptr<CaptureTarget> FindWindowByTitle(const std::string& text);
