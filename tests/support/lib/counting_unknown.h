#pragma once
// An IUnknown that only counts its references, for checking that they balance.
#include <windows.h>
#include <unknwn.h>

class CountingUnknown : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualIID(riid, IID_IUnknown)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&count); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&count); }

    // References beyond the owner's own one; the object itself is never deleted.
    LONG Extra() const { return count - 1; }

private:
    volatile LONG count = 1;
};
