#include "status_report.h"

#include "qvl_protocol.h"

#include <dshow.h>
#include <uuids.h>

#include <cstdio>
#include <fstream>

namespace {
constexpr int kToolBitness = static_cast<int>(sizeof(void*) * 8);

// "Software\Classes\CLSID\{category}\Instance\{camera}", or the class key when no category.
std::wstring ClassesPath(const GUID* category) {
    const std::wstring camera = L"" QVL_CAMERA_CLSID_STRING;
    if (category == nullptr) {
        return L"Software\\Classes\\CLSID\\" + camera;
    }
    wchar_t text[40] = {};
    StringFromGUID2(*category, text, 40);
    return L"Software\\Classes\\CLSID\\" + std::wstring(text) + L"\\Instance\\" + camera;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// "machine", "user", "machine and user" or "no".
const char* Where(const GUID* category) {
    const std::wstring path = ClassesPath(category);
    const bool machine = KeyExists(HKEY_LOCAL_MACHINE, path);
    const bool user = KeyExists(HKEY_CURRENT_USER, path);
    return machine && user ? "machine and user" : machine ? "machine" : user ? "user" : "no";
}

void PrintClassKey(const char* label, HKEY root) {
    const std::wstring path = ClassesPath(nullptr) + L"\\InprocServer32";
    wchar_t server[MAX_PATH] = {};
    DWORD size = sizeof(server) - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, server, &size) !=
        ERROR_SUCCESS) {
        std::printf("%-24s %s\n", label,
                    KeyExists(root, ClassesPath(nullptr)) ? "incomplete" : "no");
        return;
    }
    std::printf("%-24s %ls (%d-bit)\n", label, server, ModuleBitness(server));
}
} // namespace

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

void PrintStatus(const std::wstring& dllPath) {
    const int bitness = ModuleBitness(dllPath);
    if (bitness == 0) {
        std::printf("%-24s %ls (missing or not a Windows module)\n",
                    "module file:", dllPath.c_str());
    } else {
        std::printf("%-24s %ls (%d-bit)\n", "module file:", dllPath.c_str(), bitness);
    }
    std::printf("%-24s %d-bit\n", "registry view:", kToolBitness);
    PrintClassKey("class key, machine:", HKEY_LOCAL_MACHINE);
    PrintClassKey("class key, user:", HKEY_CURRENT_USER);
    std::printf("%-24s %s\n", "legacy filter category:", Where(&CLSID_LegacyAmFilterCategory));
    std::printf("%-24s %s\n", "video input category:", Where(&CLSID_VideoInputDeviceCategory));
}
