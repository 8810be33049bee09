#pragma once
// The producer's one progress line: frames sent, their rate, the frames that met a held mutex,
// the mean time a frame took (and its capture, for the screen), the processor time used, and
// a note from the source when something is amiss. On a console it is redrawn in place about once a
// second; otherwise it is printed once, when sending ends.
#include <windows.h>

#include <string>

class Progress {
public:
    Progress(const std::wstring& what, bool quiet);

    double Elapsed() const; // seconds since sending began
    void Sent() { ++sent; }
    void MetHeldMutex() { ++busy; }
    // One frame's work, and the capture within it (0: no capture step).
    void Timed(double grabSeconds, double frameSeconds);
    void SetNote(const std::wstring& text); // redraws the line at once when the note changes
    unsigned long SentCount() const { return sent; }
    void Update(); // redraws the line if a second has passed
    void Finish();

private:
    void Print(const char* end) const;

    std::string what;
    bool quiet;
    bool console;
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    double lastDrawn = 0;
    unsigned long sent = 0;
    unsigned long busy = 0;
    unsigned long timed = 0;
    unsigned long grabbed = 0;
    double frameTotal = 0;
    double grabTotal = 0;
    std::wstring note;     // as the source gave it
    std::string noteShown; // as printed
};

// Sleeps until `dueSeconds` after the progress began.
void WaitUntil(const Progress& progress, double dueSeconds);
