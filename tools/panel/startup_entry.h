#pragma once
// "Start with Windows": the per-user Run value that starts the panel hidden. Windows keeps a
// switch of its own for each such value (Settings > Apps > Startup, Task Manager); the panel
// reads it and never turns it back on.

enum class StartupState {
    Off,         // no Run value
    On,          // the Run value, and Windows lets it run
    OffByWindows // the Run value, but the user turned it off in Windows' own switch
};

StartupState ReadStartup();
// Writes the Run value ("<this program>" --tray) or removes it; false when that fails.
bool SetStartup(bool on);
