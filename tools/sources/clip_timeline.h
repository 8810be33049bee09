#pragma once
// When each picture of a looped clip is due. The clip plays at its own speed against the clock,
// whatever rate frames are sent at: a picture is shown once the clock has reached its time, so
// a slower clip repeats pictures and a faster one skips them. Each loop follows the last without
// a gap; a clock that has run far ahead of the pictures (decoding too slow, or a pause) is
// brought back rather than decoded through. Times in 100 ns units, as Media Foundation's.
#include <cstdint>

class ClipTimeline {
public:
    // The clip's time of a sample with this timestamp, from the first picture of the first loop.
    std::int64_t Place(std::int64_t timestamp, std::int64_t duration);
    // The file starts again: its timestamps begin anew one clip's length later.
    void Looped();
    // Whether the picture at clip time `time` is due at `clock` (any steady clock). The first
    // picture is due at once, and starts the clock's count.
    bool Due(std::int64_t time, std::int64_t clock);

    // How far the clock may run ahead of the pictures before it is brought back.
    static const std::int64_t mostLag = 5000000;

private:
    bool placed = false;
    std::int64_t first = 0;     // the file's first timestamp
    std::int64_t loopStart = 0; // clip time of this loop's start
    std::int64_t end = 0;       // file time where this loop's last picture ends so far
    std::int64_t previous = 0;  // the latest timestamp, for pictures without a duration
    std::int64_t interval = 0;
    bool started = false;
    std::int64_t start = 0; // the clock at clip time 0
};
