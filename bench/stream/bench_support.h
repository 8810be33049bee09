#pragma once
// What every stream benchmark case needs: the camera made from the built module as a host
// would load it, the camera's graph around it, and the process figures the cases report.
#include "arch.h"
#include "com_owners.h"
#include "graph_kit.h"
#include "timing.h"

#include <windows.h>

#include <cstdio>

namespace bench {

// "x64" or "x86", the label of every machine-readable line.
inline const char* Arch() {
    return BenchArch();
}

// Processor time (user and kernel) the whole process has used so far, in seconds.
double ProcessSeconds();

struct ProcessUse {
    long handles = 0;
    long long privateBytes = 0;
};
ProcessUse MeasureProcess();

// The built module, loaded as a host loads it; camera filters come from its class factory.
class CameraModule {
public:
    CameraModule();
    ~CameraModule();
    CameraModule(const CameraModule&) = delete;
    CameraModule& operator=(const CameraModule&) = delete;
    HMODULE Handle() const { return module; }
    HRESULT CreateCamera(ComPtr<IBaseFilter>& camera) const;

private:
    HMODULE module;
};

// A camera with the given settings in its graph, the callback set, running. Paced: with the
// graph's clock, into the grabber alone, as a capture program's graph; otherwise flat out,
// without a clock, into the grabber and a null renderer. The graph stops and drops the
// callback when it goes.
class CameraRun {
public:
    CameraRun(const CameraModule& module, DWORD width, DWORD height, DWORD fps, bool paced,
              ISampleGrabberCB* callback);
    CameraRun(const CameraRun&) = delete;
    CameraRun& operator=(const CameraRun&) = delete;
    // S_OK once built and running.
    HRESULT Result() const { return result; }
    HRESULT Stop() { return graph.Stop(); }
    const graphkit::VideoFormat& Format() const { return format; }

private:
    ComPtr<IBaseFilter> camera;
    graphkit::CameraGraph graph;
    graphkit::VideoFormat format;
    HRESULT result = E_FAIL;
};

} // namespace bench
