#include "command_line.h"

#include "source_text.h"

#include <cwchar>

const wchar_t* const panelUsage =
    L"qvl_panel [--pattern | --image FILE | --video FILE | --screen [N] |\n"
    L"           --region X,Y,W,H | --window TEXT] [--mirror] [--no-pointer]\n"
    L"           [--always-on] [--tray]\n"
    L"qvl_panel --quit\n\n"
    L"Chooses what the camera shows for this run: the test pattern, a picture, a video file\n"
    L"(looped), monitor N (from 1; default: the primary), a rectangle of the desktop, or the\n"
    L"first window whose title contains TEXT.\n"
    L"--always-on runs the source even while no program watches. --tray starts hidden in the\n"
    L"notification area. --quit asks a running panel to exit and waits until it has.";

namespace {

bool Refuse(std::wstring* why, const std::wstring& what) {
    *why = what;
    return false;
}

bool SetSource(SourceKind kind, PanelChoices& choices, PanelCommand& command) {
    if (command.sourceGiven) {
        return false;
    }
    command.sourceGiven = true;
    choices.kind = kind;
    return true;
}

} // namespace

bool ParseCommandLine(int argc, const wchar_t* const* argv, PanelChoices& choices,
                      PanelCommand& command, std::wstring* why) {
    for (int i = 0; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool taken = true;
        if (arg == L"--pattern") {
            taken = SetSource(SourceKind::Pattern, choices, command);
        } else if (arg == L"--image" || arg == L"--video") {
            if (value == nullptr || *value == L'\0') {
                return Refuse(why, arg + L" needs a file");
            }
            (arg == L"--image" ? choices.image : choices.video) = argv[++i];
            taken = SetSource(arg == L"--image" ? SourceKind::Image : SourceKind::Video, choices,
                              command);
        } else if (arg == L"--screen") {
            choices.screen = 0;
            if (value != nullptr && std::wcsncmp(value, L"--", 2) != 0 &&
                !ParseMonitorNumber(argv[++i], choices.screen)) {
                return Refuse(why,
                              L"--screen takes a monitor number from 1: " + std::wstring(value));
            }
            taken = SetSource(SourceKind::Screen, choices, command);
        } else if (arg == L"--region") {
            if (value == nullptr || !ParseRegionText(value, choices.region)) {
                return Refuse(why, L"--region takes X,Y,W,H with W and H of 1 or more");
            }
            ++i;
            taken = SetSource(SourceKind::Region, choices, command);
        } else if (arg == L"--window") {
            if (value == nullptr || *value == L'\0') {
                return Refuse(why, L"--window needs some text of the window's title");
            }
            choices.window = argv[++i];
            taken = SetSource(SourceKind::Window, choices, command);
        } else if (arg == L"--mirror") {
            choices.mirror = true;
        } else if (arg == L"--no-pointer") {
            choices.pointer = false;
        } else if (arg == L"--always-on") {
            choices.mode = PanelMode::AlwaysOn;
        } else if (arg == L"--tray") {
            command.tray = true;
        } else if (arg == L"--quit") {
            command.quit = true;
        } else {
            return Refuse(why, L"unknown option: " + arg);
        }
        if (!taken) {
            return Refuse(why, L"one source at a time: " + arg);
        }
    }
    return true;
}
