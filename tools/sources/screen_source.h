#pragma once
// The screen sources (--screen, --region, --window): each frame is the target's current place
// on the screen, grabbed and fitted into the camera's size in one step. When the target shows
// nothing the last picture stays; when it is gone the last picture stays for a moment, with a
// note and Gone() saying so, and then the source fails.
#include "capture_targets.h"
#include "frame_source.h"

#include <memory>
#include <string>

class ScreenSource : public FrameSource {
public:
    ScreenSource(std::unique_ptr<CaptureTarget> target, int width, int height, bool pointer);
    bool Ready() const { return grabber.Ready(); }
    SourceStatus Next(unsigned long n, qvl_frame& frame) override;
    double GrabSeconds() const override { return grabSeconds; }
    bool Gone() const override { return noted >= 3; }

private:
    void Say(Sight sight, bool grabbed);

    std::unique_ptr<CaptureTarget> target;
    ScreenGrabber grabber;
    bool pointer;
    LARGE_INTEGER frequency;
    double grabSeconds = 0;
    LONGLONG goneSince = 0; // performance counter, 0 while the target is there
    int noted = 0;          // the state the note describes: 0 all well, 3 gone, 4 given up
};
