#pragma once
// Counts the calls one module makes, on one thread, to the system's functions that wait on,
// signal or create kernel objects: each is a system call, and under Wine a round trip to its
// server. The module's import table is patched to pass through counting stubs.
#include <windows.h>

namespace bench {

struct CallCount {
    const char* name;
    long calls;
};

// Patches `module`'s imports on construction and restores them on destruction.
class CallCounter {
public:
    explicit CallCounter(HMODULE module);
    ~CallCounter();
    CallCounter(const CallCounter&) = delete;
    CallCounter& operator=(const CallCounter&) = delete;

    // Counts from zero the calls made on this thread, until Stop.
    void Start(DWORD threadId);
    void Stop();
    long Total() const;
    // The functions the module imports that are counted, with their counts.
    int Read(CallCount* counts, int capacity) const;
    // How many import slots were patched (0: nothing can be counted).
    int Patched() const { return patched; }

private:
    void Patch(bool install);
    HMODULE module;
    int patched = 0;
};

} // namespace bench
