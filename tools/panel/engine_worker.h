#pragma once
// The engine's thread: watches the claims, runs the source while a program streams (or always),
// writes its frames at the camera's rate, and the idle picture while paused or before the
// source's first frame. Nothing is allocated and no handle made per frame.
#include "channel_view.h"
#include "claim_watcher.h"
#include "engine_shared.h"
#include "idle_picture.h"

#include <memory>

class EngineWorker {
public:
    EngineWorker(EngineShared& shared, ChannelView& preview);
    ~EngineWorker();
    EngineWorker(const EngineWorker&) = delete;
    EngineWorker& operator=(const EngineWorker&) = delete;

    // Before Run, on any thread: opens the camera's channel and the claims' block; false, with
    // *why, when the channel cannot be had.
    bool Open(std::wstring* why);
    // The thread's body, until the shared stop event is set.
    void Run();

private:
    struct SenderClose {
        void operator()(qvl_sender* sender) const { qvl_sender_close(sender); }
    };

    double Now() const;
    bool OpenChannel(std::wstring* why);
    void TakeChoices();
    void Watch();
    void Reformat(double now);
    void StartSource(double now);
    void CheckSource();
    void StopSource();
    void SendFrame(double now);
    void ShowIdle(double now, bool looked);
    void SetProblem(std::wstring* slot, const std::wstring& text);
    void Publish(bool looked);
    DWORD WaitMs(double now, bool looked) const;

    EngineShared& shared;
    ChannelView& preview;
    EngineChoices choices;
    unsigned long choicesSeen = 0;
    unsigned long sourceVersion = 0;
    unsigned long formatChanges = 0;
    bool formatPending = false;

    std::unique_ptr<qvl_sender, SenderClose> sender;
    qvl_camera_format format = {};
    ClaimWatcher claims;
    IdlePicture idle;
    std::unique_ptr<FrameSource> source;
    unsigned long frameNumber = 0;
    bool sourceHasFrame = false;
    bool idleShown = false; // the idle picture is in the channel as it should be now
    // Written once even while nobody looks: at the start, after the source stops and after a
    // new format, so that the channel never holds black or an old frame for the next program.
    bool idleOwed = true;

    LARGE_INTEGER frequency = {};
    double due = 0;      // the source's next frame
    double nextPoll = 0; // the next reading of the claims
    double retryAt = 0;  // a source or channel that could not be had is tried again then
    double idleAt = 0;   // the idle picture is written again then, while someone looks
    double lastWatched = -1e9;

    PanelStatus status;
    std::wstring sourceProblem;
    std::wstring channelProblem;
    std::wstring idleProblem;
    bool changed = true; // the status differs from the one published
};
