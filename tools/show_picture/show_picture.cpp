// qvl_show_picture: asks for a picture and shows it in the camera, through qvl_producer
// beside this program, in a console window of its own; closing that window stops it. The
// Start menu's "Show a picture" entry, for users who do not type commands.
#include "kernel_owners.h"

#include <commdlg.h>
#include <windows.h>

#include <string>

namespace {
std::wstring ProducerBesideProgram() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self, n < MAX_PATH ? n : 0);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"qvl_producer.exe";
}

// The picture's path, or an empty string when the user cancels.
std::wstring AskForPicture() {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFilter = L"Pictures (BMP, PNG, JPEG)\0*.bmp;*.png;*.jpg;*.jpeg\0All files\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"A picture for the camera";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return GetOpenFileNameW(&dialog) ? std::wstring(file) : std::wstring();
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring picture = AskForPicture();
    if (picture.empty()) {
        return 1;
    }
    const std::wstring producer = ProducerBesideProgram();
    std::wstring command = L"\"" + producer + L"\" --image \"" + picture + L"\" --seconds 0";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(producer.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &started)) {
        MessageBoxW(nullptr, (L"Cannot start " + producer).c_str(), L"Show a picture",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    const CKernelHandle process(started.hProcess);
    const CKernelHandle thread(started.hThread);
    return 0;
}
