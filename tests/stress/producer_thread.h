#pragma once
// A producer of frames on a thread of the test process: it opens (or creates) the camera's
// region and mutex by name exactly as a producer process would, and misbehaves on request.
// Mutex ownership belongs to threads, so a thread stands in for a process here.
#include <windows.h>

#include <atomic>
#include <thread>

class CProducerThread {
public:
    enum class Mode {
        Hold,        // one frame of `fill`, holding the mutex for `holdMs` (or until Stop)
        ExitHolding, // one frame of `fill`, then end the thread still owning the mutex
        FlatOut,     // whole frames of one byte value each (1..255 in turn), as fast as it can
    };
    CProducerThread(Mode mode, DWORD regionSize, DWORD frameBytes, BYTE fill, DWORD holdMs);
    // Every mode but ExitHolding keeps its handles until Stop.
    // Stops the producer and waits for its thread.
    ~CProducerThread();
    CProducerThread(const CProducerThread&) = delete;
    CProducerThread& operator=(const CProducerThread&) = delete;

    // True once the first frame is written (and, in the hold modes, the mutex is held).
    bool WaitReady(DWORD timeoutMs) const;
    void Stop();
    LONG Frames() const { return frames; }

private:
    void Run(Mode mode, DWORD regionSize, DWORD frameBytes, BYTE fill, DWORD holdMs);

    HANDLE ready;
    HANDLE stop;
    std::atomic<LONG> frames{0};
    std::thread thread;
};
