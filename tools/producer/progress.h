#pragma once
// The producer's one progress line: frames sent, their rate and the frames that met a held
// mutex. On a console it is redrawn in place about once a second; otherwise it is printed once,
// when sending ends.
#include <windows.h>

#include <string>

class Progress {
public:
    Progress(std::string what, bool quiet);

    double Elapsed() const; // seconds since sending began
    void Sent() { ++sent; }
    void MetHeldMutex() { ++busy; }
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
};

// Sleeps until `dueSeconds` after the progress began.
void WaitUntil(const Progress& progress, double dueSeconds);
