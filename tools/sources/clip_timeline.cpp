#include "clip_timeline.h"

std::int64_t ClipTimeline::Place(std::int64_t timestamp, std::int64_t duration) {
    if (!placed) {
        placed = true;
        first = timestamp;
        previous = timestamp;
    }
    if (timestamp > previous) {
        interval = timestamp - previous;
    }
    previous = timestamp;
    const std::int64_t ends = timestamp + (duration > 0 ? duration : interval);
    end = ends > end ? ends : end;
    return loopStart + timestamp - first;
}

void ClipTimeline::Looped() {
    loopStart += end - first;
    end = first;
    previous = first;
}

bool ClipTimeline::Due(std::int64_t time, std::int64_t clock) {
    if (!started) {
        started = true;
        start = clock - time;
        return true;
    }
    if (clock - start < time) {
        return false;
    }
    if (clock - start - time > mostLag) {
        start = clock - time;
    }
    return true;
}
