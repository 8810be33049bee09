// qvl_producer: feeds the virtual camera through the sender library, from the test pattern,
// raw frames on standard input (for example from ffmpeg), a still picture or the screen.
#include "image_source.h"
#include "options.h"
#include "pattern_source.h"
#include "progress.h"
#include "screen_source.h"
#include "stdin_source.h"

#include <algorithm>
#include <cstdio>
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

// Screen coordinates in physical pixels on scaled displays: per monitor where the platform
// offers it (Windows 10 1703 on), else for the system's scale.
void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const auto setContext = reinterpret_cast<SetContext>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (setContext == nullptr || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) {
        SetProcessDPIAware();
    }
}

std::unique_ptr<FrameSource> MakeScreenSource(const Options& options,
                                              const qvl_camera_format& format) {
    BecomeDpiAware();
    std::unique_ptr<CaptureTarget> target =
        options.source == SourceKind::Screen   ? FindMonitor(options.screenIndex)
        : options.source == SourceKind::Region ? FindRegion(options.region)
                                               : FindWindowByTitle(options.windowTitle);
    if (!target) {
        return nullptr;
    }
    auto source = std::make_unique<ScreenSource>(std::move(target), format.width, format.height,
                                                 options.pointer);
    if (!source->Ready()) {
        std::fprintf(stderr, "qvl_producer: cannot read the screen\n");
        return nullptr;
    }
    return source;
}

std::unique_ptr<FrameSource> MakeSource(const Options& options, const qvl_camera_format& format) {
    switch (options.source) {
    case SourceKind::Stdin:
        return std::make_unique<StdinSource>(format.width, format.height, options.pixFmt);
    case SourceKind::Image: {
        auto image = std::make_unique<ImageSource>(format.width, format.height);
        return image->Load(options.imagePath.c_str()) ? std::move(image) : nullptr;
    }
    case SourceKind::Screen:
    case SourceKind::Region:
    case SourceKind::Window:
        return MakeScreenSource(options, format);
    case SourceKind::Pattern:
        break;
    }
    return std::make_unique<PatternSource>(format.width, format.height);
}

std::string Describe(const Options& options, const qvl_camera_format& format, long fps) {
    const RECT& r = options.region;
    std::string what;
    switch (options.source) {
    case SourceKind::Stdin:
        what = "standard input";
        break;
    case SourceKind::Image:
        what = options.imagePath;
        break;
    case SourceKind::Screen:
        what = options.screenIndex == 0 ? "the primary monitor"
                                        : "monitor " + std::to_string(options.screenIndex);
        break;
    case SourceKind::Region:
        what = "region " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
               std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
        break;
    case SourceKind::Window:
        what = "window \"" + options.windowTitle + "\"";
        break;
    case SourceKind::Pattern:
        what = "test pattern";
        break;
    }
    char size[64];
    std::snprintf(size, sizeof(size), " -> %dx%d at %ld fps%s", format.width, format.height, fps,
                  options.mirror ? ", mirrored" : "");
    return what + size;
}

// Sends frames at the rate until the limits or the source end; 0 when all went well.
int Run(const Options& options, qvl_sender* sender, const qvl_camera_format& format) {
    std::unique_ptr<FrameSource> source = MakeSource(options, format);
    if (!source) {
        return 1;
    }
    const long fps = options.fps > 0 ? options.fps : format.fps;
    // A screen or a stream of frames goes on until stopped; pictures and the pattern for 10 s.
    const bool endless = options.source == SourceKind::Stdin || IsScreen(options.source);
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
        progress.SetNote(source->Note());
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

int main(int argc, char** argv) {
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
