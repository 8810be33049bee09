#include "producer_thread.h"

#include "owners/kernel_owners.h"
#include "qvl_protocol.h"

#include <cstring>

CProducerThread::CProducerThread(Mode mode, DWORD regionSize, DWORD frameBytes, BYTE fill,
                                 DWORD holdMs)
    : ready(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      thread(&CProducerThread::Run, this, mode, regionSize, frameBytes, fill, holdMs) {}

CProducerThread::~CProducerThread() {
    Stop();
    thread.join();
    CloseHandle(ready);
    CloseHandle(stop);
}

bool CProducerThread::WaitReady(DWORD timeoutMs) const {
    return WaitForSingleObject(ready, timeoutMs) == WAIT_OBJECT_0;
}

void CProducerThread::Stop() {
    SetEvent(stop);
}

void CProducerThread::Run(Mode mode, DWORD regionSize, DWORD frameBytes, BYTE fill, DWORD holdMs) {
    CKernelHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             regionSize, QVL_REGION_NAME));
    CKernelHandle mutex(CreateMutexA(nullptr, FALSE, QVL_MUTEX_NAME));
    if (mapping.Get() == nullptr || mutex.Get() == nullptr) {
        return;
    }
    CMappedView view(mapping.Get());
    const SIZE_T span = view.Span();
    const size_t count = span < frameBytes ? span : frameBytes;
    do {
        const DWORD wait = WaitForSingleObject(mutex.Get(), INFINITE);
        if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
            return;
        }
        std::memset(view.Get(), fill, count);
        ++frames;
        SetEvent(ready);
        if (mode == Mode::ExitHolding) {
            return; // the thread ends owning the mutex, which leaves it abandoned
        }
        if (mode == Mode::Hold) {
            WaitForSingleObject(stop, holdMs);
        }
        ReleaseMutex(mutex.Get());
        fill = static_cast<BYTE>(fill % 255 + 1);
    } while (mode == Mode::FlatOut && WaitForSingleObject(stop, 0) == WAIT_TIMEOUT);
    // Keeps the region alive until told, as a running producer would.
    WaitForSingleObject(stop, INFINITE);
}
