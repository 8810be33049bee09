// stream_bench: the camera streaming through the platform's graph, loaded from the built
// module as a host loads it. Cases (all when none is named): free, steady, paced, age, waits.
// "--server-trace PATH" names the trace of the Wine server serving this run, for the waits
// case to count every request of the streaming thread.
// Prints a readable row and a machine-readable "bench:" line per case and size.
#include "com_owners.h"
#include "settings_scope.h"
#include "stream_cases.h"

#include <cstring>
#include <string>

namespace {

bool Wanted(int argc, char** argv, const char* name) {
    bool any = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--server-trace") == 0) {
            ++i;
            continue;
        }
        any = true;
        if (std::strcmp(argv[i], name) == 0) {
            return true;
        }
    }
    return !any;
}

const char* ServerTrace(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--server-trace") == 0) {
            return argv[i + 1];
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    CComScope com;
    if (FAILED(com.Result())) {
        return 1;
    }
    CSettingsScope settings;
    const bench::CameraModule module;
    if (module.Handle() == nullptr) {
        std::fprintf(stderr, "stream_bench: the camera module does not load\n");
        return 1;
    }
    bool ok = true;
    if (Wanted(argc, argv, "free")) {
        const DWORD sizes[][2] = {{320, 240}, {1280, 720}, {1920, 1080}};
        for (const auto& size : sizes) {
            ok = bench::RunFree(module, size[0], size[1]) && ok;
        }
    }
    if (Wanted(argc, argv, "steady")) {
        ok = bench::RunSteady(module, 640, 480) && ok;
    }
    if (Wanted(argc, argv, "paced")) {
        ok = bench::RunPaced(module, 1920, 1080, 30) && ok;
    }
    if (Wanted(argc, argv, "age")) {
        for (bool signals : {true, false}) {
            for (DWORD fps : {25, 30, 60}) {
                ok = bench::RunAge(module, 1280, 720, fps, signals) && ok;
            }
        }
    }
    if (Wanted(argc, argv, "waits")) {
        const char* trace = ServerTrace(argc, argv);
        ok = bench::RunWaits(module, true, trace) && ok;
        ok = bench::RunWaits(module, false, trace) && ok;
    }
    return ok ? 0 : 1;
}
