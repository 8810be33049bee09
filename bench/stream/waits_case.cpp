// The system calls the streaming thread makes per frame: the camera's own, counted in its
// import table, and every request the thread sent to the Wine server, read from the server's
// trace between two markers the benchmark leaves there.
#include "call_counter.h"
#include "frame_tap.h"
#include "stream_cases.h"

#include <cstring>
#include <string>
#include <vector>

namespace bench {
namespace {

struct Named {
    std::string name;
    long count;
};

void Add(std::vector<Named>& counts, const std::string& name) {
    for (Named& n : counts) {
        if (n.name == name) {
            ++n.count;
            return;
        }
    }
    counts.push_back({name, 1});
}

// Requests of one thread between the markers: lines "TTTT: request( ...". Replies read
// "TTTT: request() = ..." and are not counted. -1: no trace, or no markers in it.
long ServerRequests(const char* path, DWORD thread, const std::string& begin,
                    const std::string& end, std::vector<Named>& byName) {
    FILE* trace = path != nullptr ? std::fopen(path, "r") : nullptr;
    if (trace == nullptr) {
        return -1;
    }
    char prefix[16];
    std::snprintf(prefix, sizeof(prefix), "%04lx: ", thread);
    const size_t prefixLength = std::strlen(prefix);
    static char line[8192];
    int phase = 0; // 0 before the first marker, 1 between, 2 after
    long total = 0;
    while (phase < 2 && std::fgets(line, sizeof(line), trace) != nullptr) {
        const char* marker = phase == 0 ? begin.c_str() : end.c_str();
        if (std::strstr(line, marker) != nullptr && std::strstr(line, "add_atom( ") != nullptr) {
            ++phase;
            continue;
        }
        if (phase != 1 || std::strncmp(line, prefix, prefixLength) != 0) {
            continue;
        }
        const char* name = line + prefixLength;
        const char* paren = std::strchr(name, '(');
        if (paren != nullptr && paren[1] == ' ') {
            Add(byName, std::string(name, paren));
            ++total;
        }
    }
    std::fclose(trace);
    return phase == 2 ? total : -1;
}

void PrintPerFrame(const char* what, const Named* counts, size_t n, long frames) {
    std::printf("        %s:", what);
    for (size_t i = 0; i < n; ++i) {
        std::printf(" %s %.2f", counts[i].name.c_str(), counts[i].count / double(frames));
    }
    std::printf("\n");
}

} // namespace

bool RunWaits(const CameraModule& module, bool paced, const char* serverTrace) {
    CallCounter counter(module.Handle());
    if (counter.Patched() == 0) {
        std::fprintf(stderr, "stream_bench: the camera's imports cannot be counted\n");
        return false;
    }
    const DWORD width = paced ? 1280 : 320;
    const DWORD height = paced ? 720 : 240;
    const char* mode = paced ? "paced" : "free";
    FrameTap tap;
    CameraRun run(module, width, height, 30, paced, &tap);
    if (!Started(run, tap, 10)) {
        return false;
    }
    const std::string begin = std::string("qvl-bench-") + mode + "-begin";
    const std::string end = std::string("qvl-bench-") + mode + "-end";
    const DWORD thread = tap.StreamingThread();
    const ATOM beginAtom = GlobalAddAtomA(begin.c_str());
    counter.Start(thread);
    const long first = tap.Frames();
    Sleep(3000);
    const long frames = tap.Frames() - first;
    counter.Stop();
    const ATOM endAtom = GlobalAddAtomA(end.c_str());
    GlobalDeleteAtom(beginAtom);
    GlobalDeleteAtom(endAtom);
    run.Stop();

    CallCount own[32];
    const int ownKinds = counter.Read(own, 32);
    std::vector<Named> ownNamed;
    long ownTotal = 0;
    for (int i = 0; i < ownKinds; ++i) {
        ownNamed.push_back({own[i].name, own[i].calls});
        ownTotal += own[i].calls;
    }
    std::vector<Named> server;
    const long total = ServerRequests(serverTrace, thread, begin, end, server);
    std::printf("waits   %4lux%-4lu %s, %ld frames: %.2f of the camera's own calls a frame", width,
                height, mode, frames, ownTotal / double(frames));
    if (total >= 0) {
        std::printf(", %.2f server requests a frame in all", total / double(frames));
    }
    std::printf("\n");
    PrintPerFrame("camera's own", ownNamed.data(), ownNamed.size(), frames);
    if (total >= 0) {
        PrintPerFrame("server requests", server.data(), server.size(), frames);
        std::printf("bench: arch=%s case=waits mode=%s size=%lux%lu per_frame=%.2f "
                    "own_per_frame=%.2f\n",
                    Arch(), mode, width, height, total / double(frames), ownTotal / double(frames));
    } else {
        std::printf("bench: arch=%s case=waits mode=%s size=%lux%lu per_frame=unknown "
                    "own_per_frame=%.2f\n",
                    Arch(), mode, width, height, ownTotal / double(frames));
    }
    return frames > 0;
}

} // namespace bench
