#include "progress.h"

#include <io.h>

#include <cstdio>
#include <utility>

Progress::Progress(std::string what, bool quiet)
    : what(std::move(what)), quiet(quiet), console(_isatty(_fileno(stdout)) != 0) {
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
}

double Progress::Elapsed() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void Progress::Print(const char* end) const {
    const double seconds = Elapsed();
    std::printf("%sqvl_producer: %s: %lu frames sent in %.1f s (%.1f fps), %lu met a held mutex%s",
                console ? "\r" : "", what.c_str(), sent, seconds,
                seconds > 0 ? sent / seconds : 0.0, busy, end);
    std::fflush(stdout);
}

void Progress::Update() {
    const double now = Elapsed();
    if (!quiet && console && now - lastDrawn >= 1.0) {
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
