#include "screen_source.h"

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

void ScreenSource::Say(Sight sight, bool grabbed) {
    // Only a change of state writes the note: nothing is allocated per frame.
    const int state = sight == Sight::Found ? (grabbed ? 0 : 1) : sight == Sight::Hidden ? 2 : 3;
    if (state == noted) {
        return;
    }
    noted = state;
    SetNote(state == 0   ? std::wstring()
            : state == 1 ? std::wstring(L"the screen cannot be read now; last picture kept")
            : state == 2 ? target->Name() + L" shows nothing now; last picture kept"
                         : target->Name() + L" has gone; last picture kept");
}

SourceStatus ScreenSource::Next(unsigned long, qvl_frame& frame) {
    RECT area = {};
    const Sight sight = target->Locate(area);
    bool grabbed = true;
    if (sight == Sight::Found) {
        goneSince = 0;
        const LONGLONG start = Now();
        grabbed = target->Grab(grabber, area, pointer);
        grabSeconds = static_cast<double>(Now() - start) / static_cast<double>(frequency.QuadPart);
    } else if (sight == Sight::Gone && goneSince == 0) {
        goneSince = Now();
    } else if (sight == Sight::Gone &&
               static_cast<double>(Now() - goneSince) / static_cast<double>(frequency.QuadPart) >=
                   holdSeconds) {
        if (noted != 4) {
            noted = 4;
            SetNote(target->Name() + L" has gone (closed or removed); stopping");
        }
        return SourceStatus::Failed;
    }
    Say(sight, grabbed);
    frame = grabber.Frame();
    return SourceStatus::Frame;
}
