#pragma once
// The panel's command line, with the producer's option names. Sources and options given here
// apply to this run only.
#include "panel_choices.h"

#include <string>

struct PanelCommand {
    bool sourceGiven = false; // a source was named (it is in the choices)
    bool tray = false;        // start hidden, in the notification area
    bool quit = false;        // ask a running panel to exit
};

// The usage text, for a message box.
extern const wchar_t* const panelUsage;

// Applies the arguments (without the program's name) to `choices` and `command`; false, with
// the argument it could not take in *why, for anything it does not understand.
bool ParseCommandLine(int argc, const wchar_t* const* argv, PanelChoices& choices,
                      PanelCommand& command, std::wstring* why);
