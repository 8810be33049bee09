#include "signal_block.h"

#include "channel_objects.h"

bool SignalBlock::Open(const char* regionName, SECURITY_ATTRIBUTES* security) {
    Close();
    return regionName != nullptr && Map(CreateOrOpenSignalBlock(regionName, security));
}

bool SignalBlock::OpenExisting(const char* regionName) {
    Close();
    return regionName != nullptr && Map(OpenSignalBlock(regionName));
}

bool SignalBlock::Map(HANDLE handle) {
    mapping.Reset(handle);
    if (mapping.Get() == nullptr || !view.Map(mapping.Get()) ||
        view.Span() < sizeof(qvl_signal_block)) {
        Close();
        return false;
    }
    block = reinterpret_cast<qvl_signal_block*>(view.Get());
    return true;
}

void SignalBlock::Close() {
    block = nullptr;
    view.Reset();
    mapping.Reset();
}

bool ClaimIsStale(LONG processId) {
    const CKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId)));
    return process.Get() == nullptr ? GetLastError() == ERROR_INVALID_PARAMETER
                                    : WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}
