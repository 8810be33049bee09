#include "engine_worker.h"

#include "com_owners.h"
#include "source_text.h"
#include "wide_text.h"

#include <algorithm>
#include <cmath>

namespace {

const double pollSeconds = 0.1;       // the claims are 16 longs: cheap to read ten times a second
const double graceSeconds = 1.0;      // a client that reopens the camera at once finds it running
const double retrySeconds = 2.0;      // a source or channel that cannot be had is tried this often
const double idleRepeatSeconds = 2.0; // the idle picture again, in case another writer wrote
// The camera waits far longer for its mutex; a frame that finds it held this long is skipped.
const unsigned mutexWaitMs = 100;

std::wstring Describe(const SourceChoice& choice) {
    switch (choice.kind) {
    case SourceKind::Image:
        return L"the picture " + choice.path;
    case SourceKind::Video:
        return L"the video " + choice.path;
    case SourceKind::Screen:
        return choice.screenIndex == 0 ? L"the primary monitor"
                                       : L"monitor " + std::to_wstring(choice.screenIndex);
    case SourceKind::Region:
        return L"the region " + RegionText(choice.region);
    case SourceKind::Window:
        return L"the window \"" + choice.windowTitle + L"\"";
    case SourceKind::Stdin:
        return L"standard input";
    case SourceKind::Pattern:
        break;
    }
    return L"the test pattern";
}

} // namespace

EngineWorker::EngineWorker(EngineShared& shared, ChannelView& preview)
    : shared(shared), preview(preview) {
    QueryPerformanceFrequency(&frequency);
}

EngineWorker::~EngineWorker() = default;

double EngineWorker::Now() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool EngineWorker::Open(std::wstring* why) {
    // Without the first no program is seen, and the panel still runs.
    claims.Open(QVL_REGION_NAME, QVL_MF_REGION_NAME);
    return OpenChannel(why);
}

bool EngineWorker::OpenChannel(std::wstring* why) {
    qvl_sender* opened = nullptr;
    const qvl_result result = qvl_sender_open(mutexWaitMs, &opened);
    sender.reset(opened);
    if (result != QVL_OK) {
        *why = L"the camera's channel: " + Widen(qvl_result_text(result), CP_UTF8);
        return false;
    }
    qvl_sender_format(sender.get(), &format);
    preview.Open(QVL_REGION_NAME, format.width, format.height);
    return true;
}

void EngineWorker::Run() {
    const CComScope com; // the picture decoders are COM objects
    const HANDLE waits[2] = {shared.Stopping(), shared.Wake()};
    for (;;) {
        TakeChoices();
        double now = Now();
        if (now >= nextPoll) {
            Watch();
            nextPoll = now + pollSeconds;
        }
        const bool watched = claims.LiveCount() > 0;
        if (watched) {
            lastWatched = now;
        }
        const bool looked = watched || choices.mode == PanelMode::AlwaysOn;
        const bool lingering = now - lastWatched < graceSeconds; // lastWatched is now if watched
        if ((formatPending || !sender) && !lingering && now >= retryAt) {
            Reformat(now);
        }
        const bool wanted = sender && !choices.paused && (looked || (lingering && source));
        if (!wanted && source) {
            StopSource();
        } else if (wanted && !source && now >= retryAt) {
            StartSource(now);
        }
        if (source && now >= due) {
            SendFrame(now);
        }
        now = Now();
        ShowIdle(now, looked);
        Publish(looked);
        if (WaitForMultipleObjects(2, waits, FALSE, WaitMs(now, looked)) == WAIT_OBJECT_0) {
            break;
        }
    }
    StopSource();
    sender.reset();
}

void EngineWorker::TakeChoices() {
    if (!shared.TakeChoices(choices, &choicesSeen)) {
        return;
    }
    if (choices.sourceVersion != sourceVersion) {
        sourceVersion = choices.sourceVersion;
        StopSource(); // started again with the new choice at once, if wanted
        SetProblem(&sourceProblem, std::wstring());
        retryAt = 0;
        CheckSource();
    }
    if (choices.formatChanges != formatChanges) {
        formatChanges = choices.formatChanges;
        formatPending = true;
    }
    idleShown = false; // pause, mode or idle picture: the caption or the picture may differ
    changed = true;
}

void EngineWorker::Watch() {
    if (!claims.Poll()) {
        return;
    }
    status.watched = claims.LiveCount() > 0;
    status.users = claims.Users();
    idleShown = false; // a program that has just opened the camera sees the idle picture at once
    changed = true;
}

void EngineWorker::Reformat(double now) {
    StopSource();
    preview.Close();
    sender.reset();
    std::wstring why;
    if (OpenChannel(&why)) {
        formatPending = false;
        idleOwed = true;
        SetProblem(&channelProblem, std::wstring());
    } else {
        SetProblem(&channelProblem, why);
        retryAt = now + retrySeconds;
    }
    idleShown = false;
}

void EngineWorker::StartSource(double now) {
    std::wstring why;
    source = MakeSource(choices.source, format.width, format.height, &why);
    if (!source) {
        SetProblem(&sourceProblem, why);
        retryAt = now + retrySeconds;
        return;
    }
    SetProblem(&sourceProblem, std::wstring());
    frameNumber = 0;
    due = now;
    status.sourceRunning = true;
    changed = true;
}

void EngineWorker::CheckSource() {
    // A choice that cannot be had (no such window or file) is said at once, not only when a
    // program starts to watch; the source made to find out is let go straight away. One that
    // is about to run finds out by running.
    const bool starting =
        !choices.paused && (claims.LiveCount() > 0 || choices.mode == PanelMode::AlwaysOn);
    std::wstring why;
    if (sender && !source && !starting &&
        !MakeSource(choices.source, format.width, format.height, &why)) {
        SetProblem(&sourceProblem, why);
    }
}

void EngineWorker::StopSource() {
    if (!source) {
        return;
    }
    source.reset();
    sourceHasFrame = false;
    idleShown = false;
    idleOwed = true; // the next program sees the idle picture first, not an old frame
    status.sourceRunning = false;
    changed = true;
}

void EngineWorker::SendFrame(double now) {
    qvl_frame frame;
    const SourceStatus next = source->Next(frameNumber++, frame);
    if (next != SourceStatus::Frame) {
        SetProblem(&sourceProblem, next == SourceStatus::End    ? L"the source has ended"
                                   : source->WideNote().empty() ? L"the source has failed"
                                                                : source->WideNote());
        StopSource();
        retryAt = now + retrySeconds;
        return;
    }
    frame.flags = choices.mirror ? QVL_FRAME_MIRROR : 0;
    const qvl_result sent = qvl_sender_send(sender.get(), &frame);
    if (sent == QVL_OK && (!sourceHasFrame || !channelProblem.empty())) {
        sourceHasFrame = true;
        SetProblem(&channelProblem, std::wstring());
    } else if (sent != QVL_OK && sent != QVL_TIMEOUT) {
        SetProblem(&channelProblem,
                   L"the camera's channel: " + Widen(qvl_result_text(sent), CP_UTF8));
    }
    // The source's word on itself (its window has gone, say), compared without copying.
    if (source->WideNote() != sourceProblem) {
        SetProblem(&sourceProblem, source->WideNote());
    }
    // Never faster than the rate: a late frame moves the next one on rather than bunching up.
    due = std::max(due + 1.0 / format.fps, now);
}

void EngineWorker::ShowIdle(double now, bool looked) {
    const bool wanted = sender && (choices.paused ? looked || !idleShown
                                   : looked       ? !sourceHasFrame
                                                  : idleOwed);
    if (!wanted || (idleShown && now < idleAt)) {
        return;
    }
    const wchar_t* caption = choices.paused           ? L"paused"
                             : !sourceProblem.empty() ? L"no picture from the source"
                                                      : L"starting";
    idle.Make(format.width, format.height, choices.idlePicture, caption);
    if (idle.Problem() != idleProblem) {
        SetProblem(&idleProblem, idle.Problem());
    }
    // Unmirrored: the words read the right way round at the other end.
    if (idle.Ready() && qvl_sender_send(sender.get(), &idle.Frame()) == QVL_OK) {
        idleShown = true;
        idleOwed = false;
        idleAt = now + idleRepeatSeconds;
    }
}

void EngineWorker::SetProblem(std::wstring* slot, const std::wstring& text) {
    *slot = text;
    changed = true;
}

void EngineWorker::Publish(bool looked) {
    if (!changed) {
        return;
    }
    changed = false;
    status.paused = choices.paused;
    status.problem = !channelProblem.empty()  ? channelProblem
                     : !sourceProblem.empty() ? sourceProblem
                                              : idleProblem;
    status.showing =
        choices.paused   ? L"the idle picture (paused)"
        : sourceHasFrame ? Describe(choices.source)
        : looked ? L"the idle picture, until " + Describe(choices.source) + L" has a picture"
                 : L"nothing: no program is using the camera";
    shared.Publish(status);
}

DWORD EngineWorker::WaitMs(double now, bool looked) const {
    double next = nextPoll;
    if (source) {
        next = std::min(next, due);
    }
    if (looked && idleShown && (choices.paused || !sourceHasFrame)) {
        next = std::min(next, idleAt);
    }
    if (retryAt > now) {
        next = std::min(next, retryAt);
    }
    const double ms = std::ceil((next - now) * 1000.0);
    return ms <= 0 ? 0 : static_cast<DWORD>(ms);
}
