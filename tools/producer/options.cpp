#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct PixFmtName {
    const char* name;
    qvl_pixel_layout layout;
};

// ffmpeg's names for the layouts, so that its -pix_fmt and this option read alike.
const PixFmtName pixFmtNames[] = {{"bgra", QVL_BGRA}, {"bgr0", QVL_BGRX},   {"bgrx", QVL_BGRX},
                                  {"rgba", QVL_RGBA}, {"rgb24", QVL_RGB24}, {"bgr24", QVL_BGR24}};

bool ParsePixFmt(const char* text, qvl_pixel_layout& layout) {
    for (const PixFmtName& entry : pixFmtNames) {
        if (std::strcmp(text, entry.name) == 0) {
            layout = entry.layout;
            return true;
        }
    }
    return false;
}

// A whole decimal number, nothing after it.
bool ParseNumber(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0;
}

bool Complain(const char* what, const char* arg) {
    std::fprintf(stderr, "qvl_producer: %s: %s\n", what, arg);
    return false;
}

// Options that take a value; false for an unknown name or a bad value.
bool ParseValue(const char* name, const char* value, Options& options) {
    double number = 0;
    if (std::strcmp(name, "--image") == 0) {
        if (options.source != SourceKind::Pattern) {
            return Complain("one source at a time", name);
        }
        options.source = SourceKind::Image;
        options.imagePath = value;
        return true;
    }
    if (std::strcmp(name, "--pix-fmt") == 0) {
        options.pixFmtGiven = true;
        return ParsePixFmt(value, options.pixFmt) || Complain("unknown --pix-fmt", value);
    }
    if (!ParseNumber(value, number) || number < 0) {
        return Complain("not a number of 0 or more", value);
    }
    if (std::strcmp(name, "--fps") == 0 && number >= 1 && number <= 1000 &&
        number == static_cast<long>(number)) {
        options.fps = static_cast<long>(number);
    } else if (std::strcmp(name, "--seconds") == 0) {
        options.seconds = number;
    } else if (std::strcmp(name, "--frames") == 0 && number <= 4294967295.0 &&
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
                 "usage: qvl_producer [--stdin [--pix-fmt F] | --image FILE] [--mirror]\n"
                 "                    [--fps N] [--seconds S] [--frames N] [--quiet]\n"
                 "  Sends the test pattern, raw frames from standard input, or a still picture\n"
                 "  (BMP, PNG, JPEG; fitted with black borders) to the camera, at its size.\n"
                 "  --pix-fmt: bgra (default), bgr0, rgba, rgb24 or bgr24, top row first, as\n"
                 "  ffmpeg -f rawvideo -pix_fmt F writes them; frames are read until the input\n"
                 "  ends. --fps defaults to the camera's rate; --seconds to 10 (0: no limit).\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--stdin") == 0) {
            if (options.source != SourceKind::Pattern) {
                return Complain("one source at a time", arg);
            }
            options.source = SourceKind::Stdin;
        } else if (std::strcmp(arg, "--mirror") == 0) {
            options.mirror = true;
        } else if (std::strcmp(arg, "--quiet") == 0) {
            options.quiet = true;
        } else if (std::strncmp(arg, "--", 2) == 0 && i + 1 < argc) {
            if (!ParseValue(arg, argv[++i], options)) {
                return false;
            }
        } else {
            return Complain("unknown option or missing value", arg);
        }
    }
    if (options.pixFmtGiven && options.source != SourceKind::Stdin) {
        return Complain("--pix-fmt describes frames on standard input", "use it with --stdin");
    }
    return true;
}
