#pragma once
// Starts the stand-in producer (tests/support/producer) as a child process and drives it
// through its ready and release events.
#include <windows.h>

#include <string>

struct ProducerOptions {
    const char* exeName;    // file name of the producer, found next to the running test program
    std::string regionName; // region name; the mutex and events are named after it
    DWORD regionSize;       // bytes of frame to write (and region size if it creates the region)
    BYTE fill;              // selects the frame pattern
    DWORD holdMs;           // longest time it holds the mutex without being released
    bool exitHolding;       // exit still holding the mutex instead of releasing it
};

class CProducerProcess {
public:
    explicit CProducerProcess(const ProducerOptions& options);
    // Lets the producer go and waits for it; a producer that does not end is terminated.
    ~CProducerProcess();
    CProducerProcess(const CProducerProcess&) = delete;
    CProducerProcess& operator=(const CProducerProcess&) = delete;

    bool Started() const { return process != nullptr; }
    // True once the producer holds the mutex over a frame it has written; false if it ended
    // first or the wait ran out.
    bool WaitReady(DWORD timeoutMs) const;
    // Lets the producer give up the mutex (or exit holding it).
    void Release() const;
    // True once the producer has ended within the wait; stores its exit code.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode) const;

private:
    HANDLE readyEvent = nullptr;
    HANDLE releaseEvent = nullptr;
    HANDLE process = nullptr;
};
