#pragma once
// What the user has chosen in the panel, kept per user under HKCU\QVL_PANEL_KEY (never inside
// the camera's settings) and restored at the next start. The command line overrides a copy for
// one run; only what the user changes in the window is stored.
#include "panel_engine.h"

#include <string>

struct PanelChoices {
    SourceKind kind = SourceKind::Pattern;
    std::wstring image; // the last picture and video chosen, kept while another source shows
    std::wstring video;
    int screen = 0; // from 1; 0: the primary monitor
    RECT region = {};
    std::wstring window;         // a part of the window's title
    HWND windowHandle = nullptr; // the window picked from the list, for this run only
    bool pointer = true;
    bool mirror = false;
    PanelMode mode = PanelMode::WhenWatched;
    std::wstring idlePicture; // empty: the panel's plain one

    // What the engine runs for these choices.
    SourceChoice Source() const;
};

// The stored choices, or the defaults for those not stored (or stored wrongly).
PanelChoices LoadChoices();
// Stores every choice; false when the key cannot be written.
bool SaveChoices(const PanelChoices& choices);
