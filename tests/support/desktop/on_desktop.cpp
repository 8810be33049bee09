// Runs a program on a desktop of its own name and returns its exit code. Under Wine a named
// desktop gets its own display driver from the environment of the first program on it, so the
// screen tests, the demo and the benchmark see the X display they started, whatever display
// the prefix's default desktop was made with.
// Usage: on_desktop NAME PROGRAM [ARGS...]   (standard handles are passed on)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The arguments quoted again for the command line of the program.
std::string CommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 2; i < argc; ++i) {
        line += (i > 2 ? " \"" : "\"") + std::string(argv[i]) + "\"";
    }
    return line;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: on_desktop NAME PROGRAM [ARGS...]\n");
        return 2;
    }
    std::string line = CommandLine(argc, argv);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = argv[1];
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info)) {
        std::fprintf(stderr, "on_desktop: cannot start %s (error %lu)\n", argv[2], GetLastError());
        return 127;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}
