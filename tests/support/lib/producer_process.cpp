#include "producer_process.h"

#include "producer/producer_protocol.h"

namespace {

std::string NextToThisProgram(const char* fileName) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result(path, length);
    const size_t slash = result.find_last_of("\\/");
    result.erase(slash == std::string::npos ? 0 : slash + 1);
    return result + fileName;
}

std::string CommandLine(const ProducerOptions& options) {
    std::string line = "\"" + NextToThisProgram(options.exeName) + "\" " + options.regionName +
                       " " + std::to_string(options.regionSize) + " " +
                       std::to_string(options.fill) + " " + std::to_string(options.holdMs);
    if (options.exitHolding) {
        line += " exit-holding";
    }
    return line;
}

void CloseIfSet(HANDLE& handle) {
    if (handle != nullptr) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

} // namespace

CProducerProcess::CProducerProcess(const ProducerOptions& options) {
    readyEvent =
        CreateEventA(nullptr, TRUE, FALSE, producer::ReadyEventName(options.regionName).c_str());
    releaseEvent =
        CreateEventA(nullptr, TRUE, FALSE, producer::ReleaseEventName(options.regionName).c_str());
    if (readyEvent == nullptr || releaseEvent == nullptr) {
        return;
    }
    std::string line = CommandLine(options);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        process = info.hProcess;
    }
}

CProducerProcess::~CProducerProcess() {
    if (process != nullptr) {
        Release();
        if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 10000);
        }
    }
    CloseIfSet(process);
    CloseIfSet(releaseEvent);
    CloseIfSet(readyEvent);
}

bool CProducerProcess::WaitReady(DWORD timeoutMs) const {
    if (process == nullptr) {
        return false;
    }
    // Wakes on whichever comes first, so a producer that fails early does not cost the timeout.
    HANDLE handles[2] = {readyEvent, process};
    return WaitForMultipleObjects(2, handles, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

void CProducerProcess::Release() const {
    if (releaseEvent != nullptr) {
        SetEvent(releaseEvent);
    }
}

bool CProducerProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (process == nullptr || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process, exitCode) != FALSE;
}
