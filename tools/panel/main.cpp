// qvl_panel: chooses what the camera shows, without a command line, and feeds it whenever a
// program watches. One panel per session; a second start hands over its choices and ends.
#include "com_owners.h"
#include "command_line.h"
#include "panel_window.h"
#include "single_instance.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>

namespace {

const DWORD quitWaitMs = 10000;

// The arguments after the program's name, freed with the owner.
class CommandArguments {
public:
    CommandArguments() : argv(CommandLineToArgvW(GetCommandLineW(), &argc)) {}
    ~CommandArguments() { LocalFree(argv); }
    CommandArguments(const CommandArguments&) = delete;
    CommandArguments& operator=(const CommandArguments&) = delete;
    int Count() const { return argv != nullptr && argc > 0 ? argc - 1 : 0; }
    const wchar_t* const* Values() const { return argv + 1; }

private:
    int argc = 0;
    wchar_t** argv;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const PanelChoices stored = LoadChoices();
    PanelChoices run = stored;
    PanelCommand command;
    std::wstring why;
    {
        const CommandArguments arguments;
        if (!ParseCommandLine(arguments.Count(), arguments.Values(), run, command, &why)) {
            MessageBoxW(nullptr, (why + L"\n\n" + panelUsage).c_str(), L"qvl_panel",
                        MB_OK | MB_ICONERROR);
            return 2;
        }
    }
    if (command.quit) {
        return QuitRunningPanel(quitWaitMs) ? 0 : 1;
    }
    const SingleInstance instanceLock;
    if (!instanceLock.First()) {
        return HandOver(GetCommandLineW()) ? 0 : 1;
    }

    // The file dialogs are shell objects: this thread is a single-threaded apartment.
    const CComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    PanelWindow window(instance, stored, run);
    if (!window.Create(command.tray)) {
        MessageBoxW(nullptr, L"The panel's window cannot be made.", L"qvl_panel",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, the arrow keys and mnemonics move through the panel's controls.
        if (window.Handle() == nullptr || !IsDialogMessageW(window.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
