// qvl_register: installs the camera so that capture programs find it. Registers the module
// through its own entry points and adds it to the video input device category, for the
// machine or the current user; removes both again; tells where it is registered; shows and
// sets the camera's picture size and rate; installs and removes the Windows 11 camera.
#include "console_guard.h"
#include "elevation.h"
#include "format_command.h"
#include "installer.h"
#include "status_report.h"
#include "virtual_camera_installer.h"

#include "com_owners.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {
constexpr int kToolBitness = static_cast<int>(sizeof(void*) * 8);

struct Options {
    std::wstring command;
    std::wstring action; // mfcamera's install, uninstall or status
    Scope scope = Scope::Machine;
    std::wstring dllPath;
    const wchar_t* format = nullptr; // the value given to the format command
};

void Usage() {
    std::fprintf(stderr,
                 "usage: qvl_register install [--user] [--dll PATH]\n"
                 "       qvl_register uninstall [--user] [--dll PATH]\n"
                 "       qvl_register status [--dll PATH]\n"
                 "       qvl_register format [--user] [WIDTHxHEIGHT[@FPS]]\n"
                 "       qvl_register mfcamera install|uninstall|status [--dll PATH]\n"
                 "  The module defaults to srcfilter.dll beside this program; it must have\n"
                 "  this program's bitness (%d-bit). --user: for the current user only.\n"
                 "  format shows or sets the camera's size and rate, for example format\n"
                 "  1280x720@30: for the current user and, run as administrator, for the\n"
                 "  machine too (the Windows 11 camera's); --user leaves the machine's alone.\n"
                 "  mfcamera: the Windows 11 camera, from " QVL_MF_SOURCE_DLL " beside this\n"
                 "  program (64-bit); install and uninstall need an administrator.\n",
                 kToolBitness);
}

std::wstring FullPath(const wchar_t* path) {
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full) : std::wstring(path);
}

std::wstring BesideProgram(const wchar_t* file) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n < MAX_PATH ? n : 0);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

bool ParseFormat(int argc, wchar_t** argv, Options& options) {
    int i = 2;
    if (i < argc && std::wcscmp(argv[i], L"--user") == 0) {
        options.scope = Scope::User;
        ++i;
    }
    options.format = i < argc ? argv[i++] : nullptr;
    return i == argc && (options.format != nullptr || options.scope == Scope::Machine);
}

bool Parse(int argc, wchar_t** argv, Options& options) {
    if (argc < 2) {
        return false;
    }
    options.command = argv[1];
    if (options.command == L"format") {
        return ParseFormat(argc, argv, options);
    }
    const bool mfcamera = options.command == L"mfcamera";
    int first = 2;
    if (mfcamera) {
        if (argc < 3) {
            return false;
        }
        options.action = argv[first++];
    }
    for (int i = first; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--user") == 0 && !mfcamera && options.command != L"status") {
            options.scope = Scope::User;
        } else if (std::wcscmp(argv[i], L"--dll") == 0 && i + 1 < argc) {
            options.dllPath = FullPath(argv[++i]);
        } else {
            return false;
        }
    }
    if (options.dllPath.empty()) {
        options.dllPath = BesideProgram(mfcamera ? L"" QVL_MF_SOURCE_DLL : L"srcfilter.dll");
    }
    const std::wstring& verb = mfcamera ? options.action : options.command;
    return verb == L"install" || verb == L"uninstall" || verb == L"status";
}

// A module of the other bitness cannot be loaded; say so rather than quote the loader.
bool CheckLoaded(const ModuleEntries& module, const std::wstring& path) {
    if (module.Error() == ERROR_SUCCESS) {
        return true;
    }
    const int bitness = ModuleBitness(path);
    if (bitness != 0 && bitness != kToolBitness) {
        std::fprintf(stderr, "qvl_register: %ls is a %d-bit module; use the %d-bit qvl_register\n",
                     path.c_str(), bitness, bitness);
    } else {
        std::fprintf(stderr, "qvl_register: cannot use %ls: %s; nothing changed\n", path.c_str(),
                     Describe(HRESULT_FROM_WIN32(module.Error())).c_str());
    }
    return false;
}

int Change(const Options& options) {
    const CComScope com(COINIT_APARTMENTTHREADED);
    if (FAILED(com.Result())) {
        std::fprintf(stderr, "qvl_register: CoInitialize failed: %s\n",
                     Describe(com.Result()).c_str());
        return 1;
    }
    const ModuleEntries module(options.dllPath);
    if (!CheckLoaded(module, options.dllPath)) {
        return 1;
    }
    return options.command == L"install" ? Install(module, options.scope)
                                         : Uninstall(module, options.scope);
}

// Every check comes before the first write: a refusal leaves nothing behind, no class key
// either.
int VirtualCamera(const Options& options) {
    const CComScope com(COINIT_MULTITHREADED);
    if (FAILED(com.Result())) {
        std::fprintf(stderr, "qvl_register: CoInitialize failed: %s\n",
                     Describe(com.Result()).c_str());
        return 1;
    }
    const VirtualCameraPlatform platform;
    if (options.action == L"status") {
        PrintVirtualCameraStatus(platform, options.dllPath);
        return 0;
    }
    if (!platform.Available()) {
        std::fprintf(stderr, "qvl_register: the Windows 11 camera %s; nothing changed\n",
                     kNeedsWindows11);
        return 1;
    }
    if (!IsElevated()) {
        std::fprintf(stderr,
                     "qvl_register: mfcamera %ls needs an administrator: run it from an "
                     "elevated prompt; nothing changed\n",
                     options.action.c_str());
        return 1;
    }
    const ModuleEntries module(options.dllPath);
    if (!CheckLoaded(module, options.dllPath)) {
        return 1;
    }
    return options.action == L"install" ? InstallVirtualCamera(platform, module)
                                        : UninstallVirtualCamera(platform, module);
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        Usage();
        return 2;
    }
    if (options.command == L"format") {
        return options.format == nullptr ? ShowFormat() : SetFormat(options.format, options.scope);
    }
    if (options.command == L"status") {
        PrintStatus(options.dllPath);
        return 0;
    }
    // No console event may stop the tool between a step and its undo; the guard outlives the
    // module and COM, so the change is complete when it lets an event through.
    const ConsoleGuard guard;
    return options.command == L"mfcamera" ? VirtualCamera(options) : Change(options);
}
