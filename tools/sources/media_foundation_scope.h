#pragma once
// Media Foundation started for one scope (counted by the platform: each start is balanced by
// one shutdown), after everything made through it has been released.
#include <mfapi.h>

class MediaFoundationScope {
public:
    MediaFoundationScope() : result(MFStartup(MF_VERSION, MFSTARTUP_LITE)) {}
    ~MediaFoundationScope() {
        if (SUCCEEDED(result)) {
            MFShutdown();
        }
    }
    MediaFoundationScope(const MediaFoundationScope&) = delete;
    MediaFoundationScope& operator=(const MediaFoundationScope&) = delete;

    HRESULT Result() const { return result; }

private:
    const HRESULT result;
};
