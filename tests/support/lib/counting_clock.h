#pragma once
// A reference clock that tells the time a test sets and counts its references. The time may be
// set while another thread (a stream's worker) reads it.
#include <dshow.h>

class CountingClock : public IReferenceClock {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IReferenceClock)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IReferenceClock*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&count); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&count); }

    STDMETHODIMP GetTime(REFERENCE_TIME* time) override {
        if (FAILED(timeResult)) {
            return timeResult;
        }
        *time = InterlockedCompareExchange64(&now, 0, 0);
        return timeResult;
    }
    STDMETHODIMP AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Unadvise(DWORD_PTR) override { return E_NOTIMPL; }

    void SetTime(REFERENCE_TIME time) { InterlockedExchange64(&now, time); }
    void SetTimeResult(HRESULT hr) { timeResult = hr; }
    // References beyond the test's own one; the clock lives on the test's stack.
    LONG Extra() const { return count - 1; }

private:
    volatile LONG count = 1;
    volatile LONGLONG now = 0;
    volatile HRESULT timeResult = S_OK;
};
