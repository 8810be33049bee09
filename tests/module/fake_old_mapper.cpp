#include "fake_old_mapper.h"

#include "test_templates.h"

#include <uuids.h>

namespace {
const GUID kZeroGuid = {};
}

std::string GuidName(const GUID* guid) {
    if (guid == nullptr) {
        return "null";
    }
    if (IsEqualGUID(*guid, kZeroGuid)) {
        return "GUID_NULL";
    }
    if (IsEqualGUID(*guid, MEDIATYPE_Video)) {
        return "video";
    }
    if (IsEqualGUID(*guid, MEDIATYPE_Audio)) {
        return "audio";
    }
    if (IsEqualGUID(*guid, MEDIASUBTYPE_RGB32)) {
        return "rgb32";
    }
    if (IsEqualGUID(*guid, kTestFilterClass)) {
        return "test-filter";
    }
    return "?";
}

std::string Narrow(const WCHAR* text) {
    if (text == nullptr) {
        return "null";
    }
    std::string narrow;
    for (; *text != 0; ++text) {
        narrow += static_cast<char>(*text);
    }
    return narrow;
}

HRESULT FakeOldMapper::Record(const std::string& call) {
    calls.push_back(call);
    return static_cast<int>(calls.size()) - 1 == failingCall ? failure : S_OK;
}

STDMETHODIMP FakeOldMapper::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IFilterMapper)) {
        *out = static_cast<IFilterMapper*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP FakeOldMapper::RegisterFilter(CLSID filter, LPCWSTR name, DWORD merit) {
    return Record("RegisterFilter " + GuidName(&filter) + " " + Narrow(name) + " " +
                  std::to_string(merit));
}

STDMETHODIMP FakeOldMapper::RegisterFilterInstance(CLSID, LPCWSTR, CLSID*) {
    return Record("RegisterFilterInstance");
}

STDMETHODIMP FakeOldMapper::RegisterPin(CLSID filter, LPCWSTR name, WINBOOL rendered,
                                        WINBOOL output, WINBOOL zero, WINBOOL many,
                                        CLSID connectsToFilter, LPCWSTR connectsToPin) {
    return Record("RegisterPin " + GuidName(&filter) + " " + Narrow(name) + " " +
                  std::to_string(rendered) + std::to_string(output) + std::to_string(zero) +
                  std::to_string(many) + " " + GuidName(&connectsToFilter) + " " +
                  Narrow(connectsToPin));
}

STDMETHODIMP FakeOldMapper::RegisterPinType(CLSID filter, LPCWSTR pin, CLSID major, CLSID minor) {
    return Record("RegisterPinType " + GuidName(&filter) + " " + Narrow(pin) + " " +
                  GuidName(&major) + " " + GuidName(&minor));
}

STDMETHODIMP FakeOldMapper::UnregisterFilter(CLSID filter) {
    return Record("UnregisterFilter " + GuidName(&filter));
}

STDMETHODIMP FakeOldMapper::UnregisterFilterInstance(CLSID) {
    return Record("UnregisterFilterInstance");
}

STDMETHODIMP FakeOldMapper::UnregisterPin(CLSID, LPCWSTR) {
    return Record("UnregisterPin");
}

STDMETHODIMP FakeOldMapper::EnumMatchingFilters(IEnumRegFilters**, DWORD, WINBOOL, CLSID, CLSID,
                                                WINBOOL, WINBOOL, CLSID, CLSID) {
    return Record("EnumMatchingFilters");
}
