// The age of the picture a client gets: a producer thread writes numbered frames at the
// camera's rate, and each sample's arrival at the grabber is set against the moment its frame
// was written. The producer either signals each frame (the sender library) or writes the
// region under the mutex and says nothing, as a producer older than the signal does.
#include "frame_tap.h"
#include "numbered_producer.h"
#include "stream_cases.h"
#include "timing.h"

#include <algorithm>
#include <vector>

namespace bench {

bool RunAge(const CameraModule& module, DWORD width, DWORD height, DWORD fps, bool signals) {
    const DWORD seconds = 6;
    const long capacity = static_cast<long>(fps * (seconds + 4));
    std::vector<Arrival> arrivals(static_cast<size_t>(capacity));
    std::vector<double> written(static_cast<size_t>(capacity), 0);
    FrameTap tap(arrivals.data(), capacity);
    CameraRun run(module, width, height, fps, true, &tap);
    // Bottom-up rows go into the region as they are: the number lands in the first pixel of
    // the sample.
    NumberedProducer producer(width, height, fps, seconds, signals, QVL_BOTTOM_UP, written);
    if (FAILED(run.Result()) || !producer.Start()) {
        std::fprintf(stderr, "stream_bench: the age case cannot start\n");
        return false;
    }
    Sleep(seconds * 1000);
    run.Stop();
    producer.Stop();
    // Ages of every sample that carried a written frame, past the first few while both sides
    // settle.
    std::vector<double> ages;
    for (long i = 0; i < tap.Recorded(); ++i) {
        const DWORD frame = arrivals[static_cast<size_t>(i)].frame;
        if (frame > fps / 2 && frame < written.size() && written[frame] > 0) {
            ages.push_back((arrivals[static_cast<size_t>(i)].seconds - written[frame]) * 1000);
        }
    }
    if (ages.size() < fps || producer.Failures() > 0) {
        std::fprintf(stderr, "stream_bench: %zu numbered frames arrived, %ld sends failed\n",
                     ages.size(), producer.Failures());
        return false;
    }
    std::sort(ages.begin(), ages.end());
    const double p50 = Percentile(ages, 0.5);
    const double p99 = Percentile(ages, 0.99);
    const char* kind = signals ? "signal" : "plain";
    std::printf("age     %4lux%-4lu at %2lu fps, %-6s producer, %zu samples: median %.2f ms, "
                "99th percentile %.2f ms, youngest %.2f ms (a frame lasts %.2f ms)\n",
                width, height, fps, kind, ages.size(), p50, p99, ages.front(), 1000.0 / fps);
    std::printf("bench: arch=%s case=age producer=%s size=%lux%lu fps=%lu p50_ms=%.2f "
                "p99_ms=%.2f\n",
                Arch(), kind, width, height, fps, p50, p99);
    return true;
}

} // namespace bench
