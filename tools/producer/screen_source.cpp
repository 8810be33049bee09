#include "screen_source.h"

#include <cstdio>

namespace {

// How long the last picture of a target that has gone stays in the camera.
const double holdSeconds = 2.0;

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

} // namespace

ScreenSource::ScreenSource(std::unique_ptr<CaptureTarget> target, int width, int height,
                           bool pointer)
    : target(std::move(target)), grabber(width, height), pointer(pointer) {
    QueryPerformanceFrequency(&frequency);
}

SourceStatus ScreenSource::Next(unsigned long, qvl_frame& frame) {
    RECT area = {};
    const Sight sight = target->Locate(area);
    if (sight == Sight::Found) {
        goneSince = 0;
        const LONGLONG start = Now();
        const bool grabbed = target->Grab(grabber, area, pointer);
        grabSeconds = static_cast<double>(Now() - start) / static_cast<double>(frequency.QuadPart);
        note = grabbed ? "" : "the screen cannot be read now; last picture kept";
    } else if (sight == Sight::Hidden) {
        note = target->Name() + " shows nothing now; last picture kept";
    } else if (goneSince == 0) {
        goneSince = Now();
        note = target->Name() + " has gone; last picture kept";
    } else if (static_cast<double>(Now() - goneSince) / static_cast<double>(frequency.QuadPart) >=
               holdSeconds) {
        std::fprintf(stderr, "qvl_producer: %s has gone (closed or removed); stopping\n",
                     target->Name().c_str());
        return SourceStatus::Failed;
    }
    frame = grabber.Frame();
    return SourceStatus::Frame;
}
