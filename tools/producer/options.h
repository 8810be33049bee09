#pragma once
// The producer's command line.
#include "source_factory.h"

#include <string>

struct Options {
    SourceChoice choice;
    bool pixFmtGiven = false;
    bool mirror = false;
    long fps = 0;             // 0: the camera's rate
    double seconds = -1;      // below 0: 10 s, or until the input ends for --stdin; 0: no limit
    unsigned long frames = 0; // 0: bounded by time (or input) only
    bool quiet = false;
};

// False, with the reason on standard error, for anything it does not understand.
bool ParseOptions(int argc, wchar_t** argv, Options& options);
void PrintUsage();
