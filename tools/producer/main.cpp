// qvl_producer: feeds the virtual camera through the sender library, from the test pattern,
// raw frames on standard input (for example from ffmpeg), a still picture, a video file or the
// screen.
#include "console_text.h"
#include "options.h"
#include "progress.h"
#include "source_factory.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>

namespace {

// The camera waits at most its own bound for the mutex; a frame that finds it held this long is
// skipped and counted rather than delaying the next.
const unsigned mutexWaitMs = 100;

struct SenderClose {
    void operator()(qvl_sender* sender) const { qvl_sender_close(sender); }
};
using SenderPtr = std::unique_ptr<qvl_sender, SenderClose>;

bool IsScreen(SourceKind kind) {
    return kind == SourceKind::Screen || kind == SourceKind::Region || kind == SourceKind::Window;
}

std::wstring Describe(const Options& options, const qvl_camera_format& format, long fps) {
    const SourceChoice& choice = options.choice;
    const RECT& r = choice.region;
    std::wstring what;
    switch (choice.kind) {
    case SourceKind::Stdin:
        what = L"standard input";
        break;
    case SourceKind::Image:
    case SourceKind::Video:
        what = choice.path;
        break;
    case SourceKind::Screen:
        what = choice.screenIndex == 0 ? L"the primary monitor"
                                       : L"monitor " + std::to_wstring(choice.screenIndex);
        break;
    case SourceKind::Region:
        what = L"region " + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," +
               std::to_wstring(r.right - r.left) + L"," + std::to_wstring(r.bottom - r.top);
        break;
    case SourceKind::Window:
        what = L"window \"" + choice.windowTitle + L"\"";
        break;
    case SourceKind::Pattern:
        what = L"test pattern";
        break;
    }
    wchar_t size[64];
    std::swprintf(size, 64, L" -> %dx%d at %ld fps%ls", format.width, format.height, fps,
                  options.mirror ? L", mirrored" : L"");
    return what + size;
}

void Complain(const std::wstring& why) {
    std::fprintf(stderr, "qvl_producer: %s\n", ConsoleText(why, stderr).c_str());
}

// Sends frames at the rate until the limits or the source end; 0 when all went well.
int Run(const Options& options, qvl_sender* sender, const qvl_camera_format& format) {
    std::wstring why;
    std::unique_ptr<FrameSource> source =
        MakeSource(options.choice, format.width, format.height, &why);
    if (!source) {
        Complain(why);
        return 1;
    }
    const long fps = options.fps > 0 ? options.fps : format.fps;
    // The screen, a video or a stream of frames goes on until stopped; pictures and the pattern
    // for 10 s.
    const SourceKind kind = options.choice.kind;
    const bool endless = kind == SourceKind::Stdin || kind == SourceKind::Video || IsScreen(kind);
    const double seconds = options.seconds >= 0 ? options.seconds : (endless ? 0 : 10);
    Progress progress(Describe(options, format, fps), options.quiet);
    int status = 0;
    double due = 0;
    for (unsigned long n = 0; options.frames == 0 || n < options.frames; ++n) {
        const double begun = progress.Elapsed();
        if (seconds > 0 && progress.Elapsed() >= seconds) {
            break;
        }
        qvl_frame frame;
        const SourceStatus next = source->Next(n, frame);
        if (next != SourceStatus::Frame) {
            status = next == SourceStatus::Failed ? 1 : 0;
            if (next == SourceStatus::Failed) {
                Complain(source->WideNote());
            }
            break;
        }
        frame.flags = options.mirror ? QVL_FRAME_MIRROR : 0;
        const qvl_result sent = qvl_sender_send(sender, &frame);
        if (sent == QVL_OK) {
            progress.Sent();
        } else if (sent == QVL_TIMEOUT) {
            progress.MetHeldMutex();
        } else {
            std::fprintf(stderr, "qvl_producer: %s\n", qvl_result_text(sent));
            status = 1;
            break;
        }
        progress.Timed(source->GrabSeconds(), progress.Elapsed() - begun);
        progress.SetNote(source->WideNote());
        progress.Update();
        // Never faster than the rate: a frame that came late moves the next one's time on
        // rather than having the next ones catch up.
        due = std::max(due + 1.0 / fps, progress.Elapsed());
        WaitUntil(progress, due);
    }
    progress.Finish();
    return status == 0 && progress.SentCount() == 0 ? 1 : status;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage();
        return 2;
    }
    qvl_sender* opened = nullptr;
    const qvl_result result = qvl_sender_open(mutexWaitMs, &opened);
    const SenderPtr sender(opened);
    if (result != QVL_OK) {
        std::fprintf(stderr, "qvl_producer: %s\n", qvl_result_text(result));
        return 1;
    }
    qvl_camera_format format;
    qvl_sender_format(sender.get(), &format);
    return Run(options, sender.get(), format);
}
