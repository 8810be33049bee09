// Stand-in for the producer application: writes one frame into the shared region under the
// mutex, then releases the mutex or exits holding it. The protocol is in producer_protocol.h.
#include "producer_protocol.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel_owners.h"

namespace {

struct Options {
    std::string regionName;
    DWORD regionSize = 0;
    BYTE fill = 0;
    DWORD holdMs = 0;
    bool exitHolding = false;
};

bool Parse(int argc, char** argv, Options& options) {
    if (argc != 5 && argc != 6) {
        return false;
    }
    options.regionName = argv[1];
    options.regionSize = std::strtoul(argv[2], nullptr, 10);
    options.fill = static_cast<BYTE>(std::strtoul(argv[3], nullptr, 10));
    options.holdMs = std::strtoul(argv[4], nullptr, 10);
    if (argc == 6) {
        if (std::strcmp(argv[5], "exit-holding") != 0) {
            return false;
        }
        options.exitHolding = true;
    }
    return !options.regionName.empty() && options.regionSize > 0;
}

void WriteFrame(const CMappedView& view, DWORD size, BYTE fill) {
    // A region created earlier by someone else may be smaller than asked for.
    const SIZE_T span = view.Span();
    const DWORD count = span < size ? static_cast<DWORD>(span) : size;
    for (DWORD i = 0; i < count; ++i) {
        view.Get()[i] = producer::PatternByte(fill, i);
    }
}

int Run(const Options& options) {
    using namespace producer;
    CKernelHandle ready(
        OpenEventA(EVENT_MODIFY_STATE, FALSE, ReadyEventName(options.regionName).c_str()));
    CKernelHandle release(
        OpenEventA(SYNCHRONIZE, FALSE, ReleaseEventName(options.regionName).c_str()));
    if (ready.Get() == nullptr || release.Get() == nullptr) {
        return exitNoEvents;
    }
    CKernelHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             options.regionSize, options.regionName.c_str()));
    if (mapping.Get() == nullptr) {
        return exitNoRegion;
    }
    CMappedView view(mapping.Get());
    if (view.Get() == nullptr) {
        return exitNoView;
    }
    CKernelHandle mutex(CreateMutexA(nullptr, FALSE, MutexName(options.regionName).c_str()));
    if (mutex.Get() == nullptr) {
        return exitNoMutex;
    }
    const DWORD wait = WaitForSingleObject(mutex.Get(), 10000);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        return exitNoOwnership;
    }
    WriteFrame(view, options.regionSize, options.fill);
    SetEvent(ready.Get());
    WaitForSingleObject(release.Get(), options.holdMs);
    if (options.exitHolding) {
        // Ending the process with the mutex owned leaves it abandoned for the next waiter.
        ExitProcess(exitOk);
    }
    ReleaseMutex(mutex.Get());
    return exitOk;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        return producer::exitUsage;
    }
    return Run(options);
}
