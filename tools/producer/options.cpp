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

// A whole number in `text` up to a comma or the end; `text` moves past the comma.
bool ParseInteger(const char*& text, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    if (end == text || errno != 0 || (*end != ',' && *end != '\0')) {
        return false;
    }
    text = *end == ',' ? end + 1 : end;
    return true;
}

// X,Y,W,H with a size of at least one pixel.
bool ParseRegion(const char* text, RECT& region) {
    long values[4];
    const char* at = text;
    for (long& value : values) {
        if (*at == '\0' || !ParseInteger(at, value)) {
            return false;
        }
    }
    if (*at != '\0' || values[2] < 1 || values[3] < 1 || values[2] > 65536 || values[3] > 65536) {
        return false;
    }
    region = {values[0], values[1], values[0] + values[2], values[1] + values[3]};
    return true;
}

// Monitor numbers count from 1.
bool ParseScreen(const char* text, int& index) {
    double number = 0;
    if (!ParseNumber(text, number) || number < 1 || number > 64 ||
        number != static_cast<int>(number)) {
        return Complain("--screen takes a monitor number from 1", text);
    }
    index = static_cast<int>(number);
    return true;
}

bool SetSource(SourceKind kind, const char* name, Options& options) {
    if (options.source != SourceKind::Pattern) {
        return Complain("one source at a time", name);
    }
    options.source = kind;
    return true;
}

// Options that take a value; false for an unknown name or a bad value.
bool ParseValue(const char* name, const char* value, Options& options) {
    double number = 0;
    if (std::strcmp(name, "--image") == 0) {
        options.imagePath = value;
        return SetSource(SourceKind::Image, name, options);
    }
    if (std::strcmp(name, "--window") == 0) {
        options.windowTitle = value;
        return (*value != '\0' || Complain("--window needs some text", "\"\"")) &&
               SetSource(SourceKind::Window, name, options);
    }
    if (std::strcmp(name, "--region") == 0) {
        return (ParseRegion(value, options.region) ||
                Complain("--region takes X,Y,W,H with W and H of 1 or more", value)) &&
               SetSource(SourceKind::Region, name, options);
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
    std::fprintf(
        stderr, "usage: qvl_producer [--stdin [--pix-fmt F] | --image FILE | --screen [N] |\n"
                "                     --region X,Y,W,H | --window TEXT] [--no-pointer]\n"
                "                    [--mirror] [--fps N] [--seconds S] [--frames N] [--quiet]\n"
                "  Sends the test pattern, raw frames from standard input, a still picture\n"
                "  (BMP, PNG, JPEG), monitor N (from 1; default: the primary), a rectangle of\n"
                "  the desktop, or the first window whose title contains TEXT, to the camera at\n"
                "  its size; pictures and the screen are fitted with black borders, the screen\n"
                "  with the mouse pointer unless --no-pointer.\n"
                "  --pix-fmt: bgra (default), bgr0, rgba, rgb24 or bgr24, top row first, as\n"
                "  ffmpeg -f rawvideo -pix_fmt F writes them; frames are read until the input\n"
                "  ends. --fps defaults to the camera's rate; --seconds to 10 (0: no limit), and\n"
                "  to no limit for standard input and the screen. A window that closes ends it.\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--stdin") == 0) {
            if (!SetSource(SourceKind::Stdin, arg, options)) {
                return false;
            }
        } else if (std::strcmp(arg, "--screen") == 0) {
            if (!SetSource(SourceKind::Screen, arg, options) ||
                (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0 &&
                 !ParseScreen(argv[++i], options.screenIndex))) {
                return false;
            }
        } else if (std::strcmp(arg, "--pointer") == 0 || std::strcmp(arg, "--no-pointer") == 0) {
            options.pointer = arg[2] == 'p';
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
