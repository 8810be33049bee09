#pragma once
// An allocator that records how it is asked and can grant less than asked; buffers come from
// the platform's memory allocator inside, so GetBuffer blocks and Decommit frees waiters as
// the real one does. The test owns it; references are counted but never free it.
#include "tally.h"

#include <dshow.h>

class CFakeAllocator : public IMemAllocator {
public:
    CFakeAllocator();
    virtual ~CFakeAllocator();
    CFakeAllocator(const CFakeAllocator&) = delete;
    CFakeAllocator& operator=(const CFakeAllocator&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                               ALLOCATOR_PROPERTIES* pActual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    STDMETHODIMP GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                           REFERENCE_TIME* pEndTime, DWORD dwFlags) override;
    STDMETHODIMP ReleaseBuffer(IMediaSample* pBuffer) override;

    // False when the platform allocator inside could not be made (COM not initialised).
    bool Ready() const { return inner != nullptr; }
    LONG References() const { return references - 1; } // beyond the test's own

    // Arrangement: a non-zero size replaces the requested buffer size.
    LONG grantedSize = 0;

    // Observations.
    ALLOCATOR_PROPERTIES lastRequest = {};
    int setPropertiesCalls = 0;
    Tally commits;
    Tally decommits;
    Tally getBufferCalls;

private:
    volatile LONG references = 1;
    IMemAllocator* inner = nullptr;
};
