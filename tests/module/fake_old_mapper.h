#pragma once
// Stand-in for the old filter mapper interface: it logs each call as a line of text and
// answers with scripted results. It lives on the stack; its reference count is not tracked.
#include <dshow.h>

#include <string>
#include <vector>

class FakeOldMapper : public IFilterMapper {
public:
    std::vector<std::string> calls;
    // Result of the call with this index in `calls` (0-based); every other call answers S_OK.
    int failingCall = -1;
    HRESULT failure = E_FAIL;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP RegisterFilter(CLSID filter, LPCWSTR name, DWORD merit) override;
    STDMETHODIMP RegisterFilterInstance(CLSID, LPCWSTR, CLSID*) override;
    STDMETHODIMP RegisterPin(CLSID filter, LPCWSTR name, WINBOOL rendered, WINBOOL output,
                             WINBOOL zero, WINBOOL many, CLSID connectsToFilter,
                             LPCWSTR connectsToPin) override;
    STDMETHODIMP RegisterPinType(CLSID filter, LPCWSTR pin, CLSID major, CLSID minor) override;
    STDMETHODIMP UnregisterFilter(CLSID filter) override;
    STDMETHODIMP UnregisterFilterInstance(CLSID) override;
    STDMETHODIMP UnregisterPin(CLSID, LPCWSTR) override;
    STDMETHODIMP EnumMatchingFilters(IEnumRegFilters**, DWORD, WINBOOL, CLSID, CLSID, WINBOOL,
                                     WINBOOL, CLSID, CLSID) override;

private:
    HRESULT Record(const std::string& call);
};

// Short names for the identifiers the tests use, "?" for any other.
std::string GuidName(const GUID* guid);
std::string Narrow(const WCHAR* text);
