#pragma once
// Owners of COM resources: an interface pointer (the platform's header-only ComPtr, which
// releases what it holds) and the calling thread's COM initialisation for one scope.
#include <objbase.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

// Initialises COM on the calling thread and balances it when the scope ends. A failed
// initialisation (RPC_E_CHANGED_MODE: the thread already lives in the other kind of
// apartment) leaves the thread's own initialisation alone.
class CComScope {
public:
    explicit CComScope(DWORD model = COINIT_MULTITHREADED)
        : result(CoInitializeEx(nullptr, model)) {}
    ~CComScope() {
        if (SUCCEEDED(result)) {
            CoUninitialize();
        }
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

    HRESULT Result() const { return result; }

private:
    const HRESULT result;
};
