#pragma once
// The panel's window: a dialog of native controls that sets the engine's choices and shows its
// status, with the notification-area icon. Closing it hides it; Quit ends the program.
#include "panel_choices.h"
#include "panel_engine.h"
#include "tray_icon.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class PanelWindow {
public:
    // `stored`: the user's stored choices; `run`: those with this run's command line applied.
    PanelWindow(HINSTANCE instance, const PanelChoices& stored, const PanelChoices& run);
    ~PanelWindow();
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;

    // Makes the window, shown or (for --tray) only in the notification area; false when it
    // cannot be made.
    bool Create(bool hidden);
    HWND Handle() const { return dialog; }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    void OnCommand(int id, int code);
    void OnTray(WPARAM wParam, LPARAM lParam);
    void OnHandOver(const COPYDATASTRUCT& data);

    // What the engine is told after a change.
    enum class Part { Source, Mirror, Mode, Idle };
    // Applies `change` to this run's choices and to the stored ones, stores them and tells
    // the engine its `part`.
    template <typename Change> void Remember(Part part, Change change);
    void ChooseSource(SourceKind kind);
    bool AskForFile(bool video, std::wstring& path);
    void DragRegion();
    void TypedRegion();
    void PickWindow();
    void SetFormat();
    void ToggleStartup();
    void TogglePause();

    void FillMonitors();
    void FillWindows();
    void FillFormats();
    void ShowChoices();
    void ShowStatus();
    void SetText(int id, const std::wstring& text);
    void Reveal();
    void Conceal();
    void ShowTrayMenu(POINT at);
    void Quit();

    const HINSTANCE instance;
    PanelChoices stored;
    PanelChoices run;
    HWND dialog = nullptr;
    std::unique_ptr<PanelEngine> engine;
    std::unique_ptr<TrayIcon> tray;
    bool paused = false;
    std::vector<MonitorInfo> monitors;
    std::vector<WindowInfo> windows;
};
