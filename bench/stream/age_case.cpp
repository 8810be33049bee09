// The age of the picture a client gets: a producer thread writes numbered frames at the
// camera's rate, and each sample's arrival at the grabber is set against the moment its frame
// was written. The producer either signals each frame (the sender library) or writes the
// region under the mutex and says nothing, as a producer older than the signal does.
#include "frame_tap.h"
#include "kernel_owners.h"
#include "qvl_protocol.h"
#include "qvl_sender.h"

#include <cstring>
#include "stream_cases.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace bench {
namespace {

// Writes frame 1, 2, ... at the camera's rate and notes when each one was in the region. It
// gains one frame interval over `sweepSeconds`, so that its writes fall at every phase of the
// camera's frame interval, as an unsynchronised producer's do; at exactly the camera's rate the
// phase, and so the age, would stay wherever the start happened to put it.
class NumberedProducer {
public:
    NumberedProducer(DWORD width, DWORD height, DWORD fps, DWORD sweepSeconds, bool signals,
                     std::vector<double>& written)
        : width(width), height(height), period((1.0 - 1.0 / (sweepSeconds * fps)) / fps),
          signals(signals), written(written),
          pixels(static_cast<size_t>(width) * height * 4, 0x40) {}
    ~NumberedProducer() { Stop(); }
    NumberedProducer(const NumberedProducer&) = delete;
    NumberedProducer& operator=(const NumberedProducer&) = delete;

    bool Start() {
        if (qvl_sender_open(1000, &sender) != QVL_OK) {
            return false;
        }
        if (!signals) {
            mapping.Reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, QVL_REGION_NAME));
            region.Map(mapping.Get());
            mutex.Reset(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, QVL_MUTEX_NAME));
            if (region.Get() == nullptr || region.Span() < pixels.size() ||
                mutex.Get() == nullptr) {
                return false;
            }
        }
        thread = std::thread([this] { Run(); });
        return true;
    }
    void Stop() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
        qvl_sender_close(sender);
        sender = nullptr;
    }
    long Failures() const { return failures; }

private:
    void Run() {
        HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
        const double start = Now();
        for (DWORD n = 1; !stop && n < written.size(); ++n) {
            const double wait = start + n * period - Now();
            if (wait > 0 && timer != nullptr) {
                LARGE_INTEGER due;
                due.QuadPart = -static_cast<LONGLONG>(wait * 1e7);
                SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
                WaitForSingleObject(timer, INFINITE);
            }
            // Bottom-up rows go into the region as they are: the number lands in the first
            // pixel of the sample.
            pixels[0] = static_cast<BYTE>(n);
            pixels[1] = static_cast<BYTE>(n >> 8);
            pixels[2] = static_cast<BYTE>(n >> 16);
            const qvl_frame frame = {pixels.data(),        pixels.size(), int(width), int(height),
                                     ptrdiff_t(width) * 4, QVL_BOTTOM_UP, QVL_BGRX,   0};
            // Stamped as the write begins: the thread may not run again until well after the
            // camera has taken the frame, and the age should err long, not short.
            const double writing = Now();
            if (Send(frame)) {
                written[n] = writing;
            } else {
                ++failures;
            }
        }
        if (timer != nullptr) {
            CloseHandle(timer);
        }
    }

    bool Send(const qvl_frame& frame) {
        if (signals) {
            return qvl_sender_send(sender, &frame) == QVL_OK;
        }
        const CMutexHold hold(mutex.Get(), 1000);
        if (hold.Held()) {
            std::memcpy(region.Get(), pixels.data(), pixels.size());
        }
        return hold.Held();
    }

    const DWORD width, height;
    const double period;
    const bool signals;
    std::vector<double>& written;
    std::vector<BYTE> pixels;
    qvl_sender* sender = nullptr; // opened either way: it reads the camera's size
    CKernelHandle mapping;        // the region and mutex of a producer that does not signal
    CMappedView region;
    CKernelHandle mutex;
    std::atomic<bool> stop{false};
    std::atomic<long> failures{0};
    std::thread thread;
};

double Percentile(std::vector<double> sorted, double p) {
    const size_t at = static_cast<size_t>(p * (sorted.size() - 1) + 0.5);
    return sorted[at];
}

} // namespace

bool RunAge(const CameraModule& module, DWORD width, DWORD height, DWORD fps, bool signals) {
    const DWORD seconds = 6;
    const long capacity = static_cast<long>(fps * (seconds + 4));
    std::vector<Arrival> arrivals(static_cast<size_t>(capacity));
    std::vector<double> written(static_cast<size_t>(capacity), 0);
    FrameTap tap(arrivals.data(), capacity);
    CameraRun run(module, width, height, fps, true, &tap);
    NumberedProducer producer(width, height, fps, seconds, signals, written);
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
