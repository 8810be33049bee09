#pragma once
// What the panel does without its window: watches which programs stream from the camera, runs
// the chosen source while one does (or always), shows the idle picture while paused or before
// the source's first frame, and reads back what the camera delivers for the preview. Its own
// thread does all of it; the window only sets choices and reads the status.
#include "source_factory.h"

#include <windows.h>

#include <memory>
#include <string>

enum class PanelMode { WhenWatched, AlwaysOn };

struct PanelStatus {
    bool watched = false;       // at least one live process has claimed a slot of the signal
    bool sourceRunning = false; // the source is writing frames now
    bool paused = false;
    std::wstring users;   // "Zoom.exe, chrome.exe": the executables streaming; empty when none
    std::wstring problem; // why the source cannot be had, or that its window closed; else empty
    std::wstring showing; // what is shown, in words
};

class PanelEngine {
public:
    // Posts `message` (wParam and lParam 0) to `notify` whenever the status changes.
    PanelEngine(HWND notify, UINT message);
    ~PanelEngine();
    PanelEngine(const PanelEngine&) = delete;
    PanelEngine& operator=(const PanelEngine&) = delete;

    // Opens the camera's channel and starts the engine's thread; false, with *why, on failure.
    bool Start(std::wstring* why);
    void SetSource(const SourceChoice& choice);
    void SetMirror(bool on);
    void SetMode(PanelMode mode);
    void SetPaused(bool paused);
    // A picture of the user's own to show while paused; empty: the panel's plain one.
    void SetIdlePicture(const std::wstring& path);
    // The camera's format was changed: the channel is opened again at the new size as soon as
    // no program streams (programs see it the next time they open the camera).
    void FormatChanged();
    PanelStatus Status() const;
    // Draws the camera's current frame, as the camera delivers it, fitted into `where`.
    void PaintPreview(HDC dc, const RECT& where);
    // True when a frame has been written since the preview was last painted: a window that
    // repaints on a timer asks first, so that a panel nobody watches draws nothing.
    bool PreviewChanged() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
