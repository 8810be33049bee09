#include "progress.h"

#include "console_text.h"

#include <io.h>

#include <cstdio>

Progress::Progress(const std::wstring& what, bool quiet)
    : what(ConsoleText(what, stdout)), quiet(quiet), console(_isatty(_fileno(stdout)) != 0) {
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
}

double Progress::Elapsed() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

namespace {

// The process's processor time so far, all threads, in seconds.
double ProcessorSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

} // namespace

void Progress::Timed(double grabSeconds, double frameSeconds) {
    ++timed;
    frameTotal += frameSeconds;
    if (grabSeconds > 0) {
        ++grabbed;
        grabTotal += grabSeconds;
    }
}

void Progress::SetNote(const std::wstring& text) {
    if (note != text) {
        note = text;
        noteShown = ConsoleText(text, stdout);
        lastDrawn = -1;
    }
}

void Progress::Print(const char* end) const {
    const double seconds = Elapsed();
    char grab[48] = "";
    if (grabbed > 0) {
        std::snprintf(grab, sizeof(grab), "grab %.2f ms, ", grabTotal * 1000.0 / grabbed);
    }
    // Padded, so that a shorter line redrawn in place leaves nothing of the one before.
    std::printf("%sqvl_producer: %s: %lu frames sent in %.1f s (%.1f fps), %lu met a held mutex; "
                "%sframe %.2f ms, cpu %.0f%%%s%s%s%s",
                console ? "\r" : "", what.c_str(), sent, seconds,
                seconds > 0 ? sent / seconds : 0.0, busy, grab,
                timed > 0 ? frameTotal * 1000.0 / timed : 0.0,
                seconds > 0 ? ProcessorSeconds() * 100.0 / seconds : 0.0,
                noteShown.empty() ? "" : "; ", noteShown.c_str(), console ? "          " : "", end);
    std::fflush(stdout);
}

void Progress::Update() {
    const double now = Elapsed();
    if (!quiet && console && (now - lastDrawn >= 1.0 || lastDrawn < 0)) {
        lastDrawn = now;
        Print("");
    }
}

void Progress::Finish() {
    if (!quiet) {
        Print("\n");
    }
}

void WaitUntil(const Progress& progress, double dueSeconds) {
    for (;;) {
        const double left = dueSeconds - progress.Elapsed();
        if (left <= 0) {
            return;
        }
        Sleep(left > 0.002 ? static_cast<DWORD>((left - 0.001) * 1000.0) : 0);
    }
}
