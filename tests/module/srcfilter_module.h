#pragma once
// The built srcfilter.dll, loaded into the test program, and its registration entry points.
#include <windows.h>

#include <string>

class SrcFilterModule {
public:
    SrcFilterModule();
    ~SrcFilterModule();
    SrcFilterModule(const SrcFilterModule&) = delete;
    SrcFilterModule& operator=(const SrcFilterModule&) = delete;

    bool Loaded() const { return module != nullptr; }
    // The path the module was loaded from, as the system reports it.
    std::string Path() const;

    HRESULT Register() const { return registerServer(); }
    HRESULT Unregister() const { return unregisterServer(); }
    HRESULT Install(BOOL install, const WCHAR* commandLine) const {
        return install_(install, commandLine);
    }

private:
    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;
    HRESULT(STDAPICALLTYPE* install_)(BOOL, const WCHAR*) = nullptr;
};

// The camera's class identifier.
extern const CLSID kCameraClass;
