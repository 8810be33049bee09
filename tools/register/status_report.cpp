#include "status_report.h"

#include "qvl_protocol.h"
#include "registry_key.h"

#include <dshow.h>
#include <uuids.h>

#include <cstdio>
#include <fstream>

namespace {
constexpr int kToolBitness = static_cast<int>(sizeof(void*) * 8);

std::wstring ClassKeyPath(const wchar_t* clsid) {
    return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

// "Software\Classes\CLSID\{category}\Instance\{camera}".
std::wstring InstancePath(const GUID& category) {
    wchar_t text[40] = {};
    StringFromGUID2(category, text, 40);
    return ClassKeyPath(text) + L"\\Instance\\" QVL_CAMERA_CLSID_STRING;
}

// `path` under `root` opened for reading in the registry view `view`; a null key when missing.
HKEY OpenKey(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS ? key
                                                                                        : nullptr;
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    const CRegistryKey key(OpenKey(root, path, view));
    return key.Get() != nullptr;
}

// "machine", "user", "machine and user" or "no".
const char* Where(const GUID& category) {
    const std::wstring path = InstancePath(category);
    const bool machine = KeyExists(HKEY_LOCAL_MACHINE, path);
    const bool user = KeyExists(HKEY_CURRENT_USER, path);
    return machine && user ? "machine and user" : machine ? "machine" : user ? "user" : "no";
}
} // namespace

void PrintClassKey(const char* label, HKEY root, const wchar_t* clsid, REGSAM view) {
    const std::wstring path = ClassKeyPath(clsid);
    const CRegistryKey server(OpenKey(root, path + L"\\InprocServer32", view));
    wchar_t file[MAX_PATH] = {};
    DWORD size = sizeof(file) - sizeof(wchar_t);
    if (server.Get() == nullptr || RegGetValueW(server.Get(), nullptr, nullptr, RRF_RT_REG_SZ,
                                                nullptr, file, &size) != ERROR_SUCCESS) {
        std::printf("%-24s %s\n", label, KeyExists(root, path, view) ? "incomplete" : "no");
        return;
    }
    std::printf("%-24s %ls (%d-bit)\n", label, file, ModuleBitness(file));
}

int ModuleBitness(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    IMAGE_DOS_HEADER dos = {};
    DWORD signature = 0;
    IMAGE_FILE_HEADER header = {};
    if (!file.read(reinterpret_cast<char*>(&dos), sizeof(dos)) ||
        dos.e_magic != IMAGE_DOS_SIGNATURE || !file.seekg(dos.e_lfanew) ||
        !file.read(reinterpret_cast<char*>(&signature), sizeof(signature)) ||
        signature != IMAGE_NT_SIGNATURE ||
        !file.read(reinterpret_cast<char*>(&header), sizeof(header))) {
        return 0;
    }
    switch (header.Machine) {
    case IMAGE_FILE_MACHINE_I386:
        return 32;
    case IMAGE_FILE_MACHINE_AMD64:
        return 64;
    default:
        return 0;
    }
}

void PrintModuleFile(const std::wstring& dllPath) {
    const int bitness = ModuleBitness(dllPath);
    if (bitness == 0) {
        std::printf("%-24s %ls (missing or not a Windows module)\n",
                    "module file:", dllPath.c_str());
    } else {
        std::printf("%-24s %ls (%d-bit)\n", "module file:", dllPath.c_str(), bitness);
    }
}

void PrintStatus(const std::wstring& dllPath) {
    PrintModuleFile(dllPath);
    std::printf("%-24s %d-bit\n", "registry view:", kToolBitness);
    PrintClassKey("class key, machine:", HKEY_LOCAL_MACHINE, L"" QVL_CAMERA_CLSID_STRING, 0);
    PrintClassKey("class key, user:", HKEY_CURRENT_USER, L"" QVL_CAMERA_CLSID_STRING, 0);
    std::printf("%-24s %s\n", "legacy filter category:", Where(CLSID_LegacyAmFilterCategory));
    std::printf("%-24s %s\n", "video input category:", Where(CLSID_VideoInputDeviceCategory));
}
