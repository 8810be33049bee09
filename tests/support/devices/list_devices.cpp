// list_devices: what a DirectShow client of this program's bitness sees in one device
// category ("legacy" filters or "video" input devices). One line per entry:
//   <friendly name>|<bound or the binding's HRESULT>|<the class's InprocServer32 path>
// Binding creates the filter, which proves the module of this bitness loads.
#include <dshow.h>
#include <wrl/client.h>

#include <cstdio>
#include <cwchar>

using Microsoft::WRL::ComPtr;

namespace {

void PrintEntry(IMoniker* moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) {
        return;
    }
    VARIANT name, clsid;
    VariantInit(&name);
    VariantInit(&clsid);
    bag->Read(L"FriendlyName", &name, nullptr);
    bag->Read(L"CLSID", &clsid, nullptr);
    wchar_t path[MAX_PATH] = L"-";
    if (clsid.vt == VT_BSTR) {
        wchar_t key[128];
        swprintf(key, 128, L"CLSID\\%ls\\InprocServer32", clsid.bstrVal);
        DWORD size = sizeof(path);
        RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, path, &size);
    }
    ComPtr<IBaseFilter> filter;
    const HRESULT bound = moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter));
    wchar_t bind[16] = L"bound";
    if (FAILED(bound)) {
        swprintf(bind, 16, L"0x%08lX", static_cast<unsigned long>(bound));
    }
    std::wprintf(L"%ls|%ls|%ls\n", name.vt == VT_BSTR ? name.bstrVal : L"?", bind, path);
    VariantClear(&name);
    VariantClear(&clsid);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool video = argc > 1 && std::wcscmp(argv[1], L"video") == 0;
    if (FAILED(CoInitialize(nullptr))) {
        return 2;
    }
    int status = 1;
    {
        ComPtr<ICreateDevEnum> devices;
        ComPtr<IEnumMoniker> monikers;
        if (SUCCEEDED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(&devices)))) {
            const HRESULT hr = devices->CreateClassEnumerator(video ? CLSID_VideoInputDeviceCategory
                                                                    : CLSID_LegacyAmFilterCategory,
                                                              &monikers, 0);
            status = SUCCEEDED(hr) ? 0 : 1;
        }
        for (ComPtr<IMoniker> moniker; monikers && monikers->Next(1, &moniker, nullptr) == S_OK;
             moniker.Reset()) {
            PrintEntry(moniker.Get());
        }
    }
    CoUninitialize();
    return status;
}
