#include "mapper_probe.h"

#include <string.h>

using Microsoft::WRL::ComPtr;

namespace {
// Owns a VARIANT read from a property bag.
struct ScopedVariant {
    VARIANT value;
    ScopedVariant() { VariantInit(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&value); }
};

bool ReadText(IPropertyBag* bag, const WCHAR* name, std::wstring* text) {
    ScopedVariant v;
    v.value.vt = VT_BSTR;
    if (FAILED(bag->Read(name, &v.value, nullptr)) || v.value.vt != VT_BSTR) {
        return false;
    }
    *text = v.value.bstrVal;
    return true;
}

// The record starts with a version, the merit and the pin count, one DWORD each.
void ReadFilterData(IPropertyBag* bag, ListedFilter* entry) {
    ScopedVariant v;
    v.value.vt = VT_ARRAY | VT_UI1;
    if (FAILED(bag->Read(L"FilterData", &v.value, nullptr)) || v.value.vt != (VT_ARRAY | VT_UI1)) {
        return;
    }
    void* data = nullptr;
    const LONG bytes = static_cast<LONG>(v.value.parray->rgsabound[0].cElements);
    if (bytes >= 12 && SUCCEEDED(SafeArrayAccessData(v.value.parray, &data))) {
        DWORD header[3];
        memcpy(header, data, sizeof(header));
        entry->merit = header[1];
        entry->pinCount = header[2];
        SafeArrayUnaccessData(v.value.parray);
    }
}
} // namespace

namespace {
std::vector<ListedFilter> Collect(IEnumMoniker* monikers, REFCLSID clsid) {
    std::vector<ListedFilter> found;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        ListedFilter entry;
        std::wstring clsidText;
        if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag))) &&
            ReadText(bag.Get(), L"CLSID", &clsidText) &&
            SUCCEEDED(CLSIDFromString(clsidText.c_str(), &entry.clsid)) &&
            IsEqualCLSID(entry.clsid, clsid)) {
            ReadText(bag.Get(), L"FriendlyName", &entry.friendlyName);
            ReadFilterData(bag.Get(), &entry);
            entry.moniker = moniker;
            found.push_back(entry);
        }
        moniker.Reset();
    }
    return found;
}
} // namespace

std::vector<ListedFilter> ListedFilters(REFCLSID clsid) {
    ComPtr<ICreateDevEnum> devices;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&devices))) ||
        devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, &monikers, 0) != S_OK) {
        return {};
    }
    return Collect(monikers.Get(), clsid);
}

bool MatchedAsOutputOf(REFCLSID clsid, REFGUID majorType) {
    ComPtr<IFilterMapper2> mapper;
    ComPtr<IEnumMoniker> monikers;
    const GUID outputType[2] = {majorType, {}};
    if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&mapper))) ||
        FAILED(mapper->EnumMatchingFilters(&monikers, 0, FALSE, MERIT_DO_NOT_USE, FALSE, 0, nullptr,
                                           nullptr, nullptr, FALSE, TRUE, 1, outputType, nullptr,
                                           nullptr))) {
        return false;
    }
    return !Collect(monikers.Get(), clsid).empty();
}
