// The DLL's own registration, which qvl_register calls: the machine's class key names the DLL
// so that COM (and the Frame Server) can make the source, and unregistering takes it away.
#include "mf_support.h"

#include "qvl_protocol.h"

#include <gtest/gtest.h>

namespace {

using Entry = HRESULT(WINAPI*)();

Entry EntryPoint(const char* name) {
    const HMODULE module = LoadLibraryA(MediaSourceDllPath());
    return module != nullptr
               ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

bool ClassKeyExists() {
    HKEY key = nullptr;
    const LONG result =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\" QVL_MF_SOURCE_CLSID_STRING,
                      0, KEY_READ | KEY_WOW64_64KEY, &key);
    if (key != nullptr) {
        RegCloseKey(key);
    }
    return result == ERROR_SUCCESS;
}

TEST(Registration, RegisteredForTheMachineCoCreateMakesTheSourceUnregisteredItIsGone) {
    MfScope mf;
    ASSERT_HRESULT_SUCCEEDED(mf.Result());
    const Entry install = EntryPoint("DllRegisterServer");
    const Entry remove = EntryPoint("DllUnregisterServer");
    ASSERT_NE(nullptr, install);
    ASSERT_NE(nullptr, remove);
    ASSERT_HRESULT_SUCCEEDED(install());
    EXPECT_TRUE(ClassKeyExists());
    const CLSID clsid = QVL_MF_SOURCE_CLSID_INIT;
    ComPtr<IMFMediaSource> source;
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&source)));
    if (source) {
        source->Shutdown();
    }
    EXPECT_HRESULT_SUCCEEDED(remove());
    EXPECT_FALSE(ClassKeyExists());
    EXPECT_HRESULT_SUCCEEDED(remove()) << "removing what is gone is done";
}

} // namespace
