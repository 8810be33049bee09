#pragma once
// The producer's command line.
#include "qvl_sender.h"

#include <windows.h>

#include <string>

enum class SourceKind { Pattern, Stdin, Image, Screen, Region, Window };

struct Options {
    SourceKind source = SourceKind::Pattern;
    std::string imagePath;
    int screenIndex = 0; // --screen: 1 for the first monitor, 0 for the primary
    RECT region = {};    // --region, virtual desktop coordinates
    std::string windowTitle;
    bool pointer = true; // the mouse pointer drawn into screen pictures
    qvl_pixel_layout pixFmt = QVL_BGRA;
    bool pixFmtGiven = false;
    bool mirror = false;
    long fps = 0;             // 0: the camera's rate
    double seconds = -1;      // below 0: 10 s, or until the input ends for --stdin; 0: no limit
    unsigned long frames = 0; // 0: bounded by time (or input) only
    bool quiet = false;
};

// False, with the reason on standard error, for anything it does not understand.
bool ParseOptions(int argc, char** argv, Options& options);
void PrintUsage();
