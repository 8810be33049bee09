#include "options.h"

#include "console_text.h"
#include "source_text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

struct PixFmtName {
    const wchar_t* name;
    qvl_pixel_layout layout;
};

// ffmpeg's names for the layouts, so that its -pix_fmt and this option read alike.
const PixFmtName pixFmtNames[] = {{L"bgra", QVL_BGRA},   {L"bgr0", QVL_BGRX},
                                  {L"bgrx", QVL_BGRX},   {L"rgba", QVL_RGBA},
                                  {L"rgb24", QVL_RGB24}, {L"bgr24", QVL_BGR24}};

bool ParsePixFmt(const wchar_t* text, qvl_pixel_layout& layout) {
    for (const PixFmtName& entry : pixFmtNames) {
        if (std::wcscmp(text, entry.name) == 0) {
            layout = entry.layout;
            return true;
        }
    }
    return false;
}

// A whole decimal number, nothing after it.
bool ParseNumber(const wchar_t* text, double& value) {
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstod(text, &end);
    return end != text && *end == L'\0' && errno == 0;
}

bool Complain(const char* what, const wchar_t* arg) {
    std::fprintf(stderr, "qvl_producer: %s: %s\n", what, ConsoleText(arg, stderr).c_str());
    return false;
}

bool ParseScreen(const wchar_t* text, int& index) {
    return ParseMonitorNumber(text, index) ||
           Complain("--screen takes a monitor number from 1", text);
}

bool SetSource(SourceKind kind, const wchar_t* name, Options& options) {
    if (options.choice.kind != SourceKind::Pattern) {
        return Complain("one source at a time", name);
    }
    options.choice.kind = kind;
    return true;
}

// Options that take a value; false for an unknown name or a bad value.
bool ParseValue(const wchar_t* name, const wchar_t* value, Options& options) {
    double number = 0;
    if (std::wcscmp(name, L"--image") == 0 || std::wcscmp(name, L"--video") == 0) {
        options.choice.path = value;
        return SetSource(name[2] == L'i' ? SourceKind::Image : SourceKind::Video, name, options);
    }
    if (std::wcscmp(name, L"--window") == 0) {
        options.choice.windowTitle = value;
        return (*value != L'\0' || Complain("--window needs some text", L"\"\"")) &&
               SetSource(SourceKind::Window, name, options);
    }
    if (std::wcscmp(name, L"--region") == 0) {
        return (ParseRegionText(value, options.choice.region) ||
                Complain("--region takes X,Y,W,H with W and H of 1 or more", value)) &&
               SetSource(SourceKind::Region, name, options);
    }
    if (std::wcscmp(name, L"--pix-fmt") == 0) {
        options.pixFmtGiven = true;
        return ParsePixFmt(value, options.choice.pixFmt) || Complain("unknown --pix-fmt", value);
    }
    if (!ParseNumber(value, number) || number < 0) {
        return Complain("not a number of 0 or more", value);
    }
    if (std::wcscmp(name, L"--fps") == 0 && number >= 1 && number <= 1000 &&
        number == static_cast<long>(number)) {
        options.fps = static_cast<long>(number);
    } else if (std::wcscmp(name, L"--seconds") == 0) {
        options.seconds = number;
    } else if (std::wcscmp(name, L"--frames") == 0 && number <= 4294967295.0 &&
               number == static_cast<unsigned long>(number)) {
        options.frames = static_cast<unsigned long>(number);
    } else {
        return Complain("bad option or value", name);
    }
    return true;
}

} // namespace

void PrintUsage() {
    std::fprintf(stderr,
                 "usage: qvl_producer [--stdin [--pix-fmt F] | --image FILE | --video FILE |\n"
                 "                     --screen [N] | --region X,Y,W,H | --window TEXT]\n"
                 "                    [--no-pointer] [--mirror] [--fps N] [--seconds S]\n"
                 "                    [--frames N] [--quiet]\n"
                 "  Sends the test pattern, raw frames from standard input, a still picture\n"
                 "  (BMP, PNG, JPEG), a video file (looped, at its own speed), monitor N (from 1;\n"
                 "  default: the primary), a rectangle of the desktop, or the first window whose\n"
                 "  title contains TEXT, to the camera at its size; pictures, videos and the\n"
                 "  screen are fitted with black borders, the screen with the mouse pointer\n"
                 "  unless --no-pointer.\n"
                 "  --pix-fmt: bgra (default), bgr0, rgba, rgb24 or bgr24, top row first, as\n"
                 "  ffmpeg -f rawvideo -pix_fmt F writes them; frames are read until the input\n"
                 "  ends. --fps defaults to the camera's rate; --seconds to 10 (0: no limit), and\n"
                 "  to no limit for standard input, videos and the screen. A window that closes\n"
                 "  ends it.\n");
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        if (std::wcscmp(arg, L"--stdin") == 0) {
            if (!SetSource(SourceKind::Stdin, arg, options)) {
                return false;
            }
        } else if (std::wcscmp(arg, L"--screen") == 0) {
            if (!SetSource(SourceKind::Screen, arg, options) ||
                (i + 1 < argc && std::wcsncmp(argv[i + 1], L"--", 2) != 0 &&
                 !ParseScreen(argv[++i], options.choice.screenIndex))) {
                return false;
            }
        } else if (std::wcscmp(arg, L"--pointer") == 0 || std::wcscmp(arg, L"--no-pointer") == 0) {
            options.choice.pointer = arg[2] == L'p';
        } else if (std::wcscmp(arg, L"--mirror") == 0) {
            options.mirror = true;
        } else if (std::wcscmp(arg, L"--quiet") == 0) {
            options.quiet = true;
        } else if (std::wcsncmp(arg, L"--", 2) == 0 && i + 1 < argc) {
            if (!ParseValue(arg, argv[++i], options)) {
                return false;
            }
        } else {
            return Complain("unknown option or missing value", arg);
        }
    }
    if (options.pixFmtGiven && options.choice.kind != SourceKind::Stdin) {
        return Complain("--pix-fmt describes frames on standard input", L"use it with --stdin");
    }
    return true;
}
