#pragma once
// The producer of the age cases: writes frame 1, 2, ... at the camera's rate and notes when
// each one was in the region. It gains one frame interval over `sweepSeconds`, so that its
// writes fall at every phase of the camera's frame interval, as an unsynchronised producer's
// do; at exactly the camera's rate the phase, and so the age, would stay wherever the start
// happened to put it. The number is in the first pixel of the frame as written in
// `rows` order (blue, green, red = its low, middle and high bytes).
#include "kernel_owners.h"
#include "qvl_sender.h"

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace bench {

class NumberedProducer {
public:
    // `signals`: through the sender library, which signals each frame; otherwise written into
    // the region under the mutex, saying nothing, as a producer older than the signal does.
    // `written[n]` gets the moment frame n was written; frames run up to its size.
    NumberedProducer(DWORD width, DWORD height, DWORD fps, DWORD sweepSeconds, bool signals,
                     qvl_row_order rows, std::vector<double>& written);
    ~NumberedProducer() { Stop(); }
    NumberedProducer(const NumberedProducer&) = delete;
    NumberedProducer& operator=(const NumberedProducer&) = delete;

    bool Start();
    void Stop();
    long Failures() const { return failures; }

private:
    void Run();
    bool Send(const qvl_frame& frame);

    const DWORD width, height;
    const double period;
    const bool signals;
    const qvl_row_order rows;
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

} // namespace bench
