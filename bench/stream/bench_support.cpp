#include "bench_support.h"

#include "host_path.h"
#include "process_handles.h"
#include "qvl_protocol.h"
#include "settings_scope.h"

#include <psapi.h>

#include <string>

namespace bench {

double ProcessSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

namespace {
// Wine answers 0 for the process's private usage; there the committed private pages count.
long long CommittedPrivateBytes() {
    long long total = 0;
    MEMORY_BASIC_INFORMATION info = {};
    for (const BYTE* address = nullptr; VirtualQuery(address, &info, sizeof(info)) == sizeof(info);
         address = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) {
            total += static_cast<long long>(info.RegionSize);
        }
        if (info.RegionSize == 0) {
            break;
        }
    }
    return total;
}
} // namespace

ProcessUse MeasureProcess() {
    ProcessUse use;
    use.handles = OpenHandleCount();
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters))) {
        use.privateBytes = static_cast<long long>(counters.PrivateUsage);
    }
    if (use.privateBytes == 0) {
        use.privateBytes = CommittedPrivateBytes();
    }
    return use;
}

CameraModule::CameraModule() : module(LoadLibraryA(WindowsPathOfHost(SRCFILTER_DLL).c_str())) {}

CameraModule::~CameraModule() {
    if (module != nullptr) {
        FreeLibrary(module);
    }
}

HRESULT CameraModule::CreateCamera(ComPtr<IBaseFilter>& camera) const {
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (getClassObject == nullptr) {
        return E_FAIL;
    }
    const CLSID cameraClass = QVL_CAMERA_CLSID_INIT;
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(cameraClass, IID_IClassFactory,
                                reinterpret_cast<void**>(factory.GetAddressOf()));
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(nullptr, IID_IBaseFilter,
                                     reinterpret_cast<void**>(camera.GetAddressOf()));
    }
    return hr;
}

CameraRun::CameraRun(const CameraModule& module, DWORD width, DWORD height, DWORD fps, bool paced,
                     ISampleGrabberCB* callback) {
    graphkit::CameraGraphOptions options;
    options.clock = paced;
    options.renderer = !paced;
    if (!CSettingsScope::StoreAll(width, height, fps)) {
        return;
    }
    result = module.CreateCamera(camera);
    if (SUCCEEDED(result)) {
        result = graph.Build(camera.Get(), options);
    }
    if (SUCCEEDED(result)) {
        result = graphkit::ConnectedFormat(graph.CameraOutput(), format);
    }
    if (SUCCEEDED(result)) {
        result = graph.SetCallback(callback);
    }
    if (SUCCEEDED(result)) {
        result = graph.Run();
    }
    if (FAILED(result)) {
        std::fprintf(stderr, "stream_bench: the %lux%lu camera graph failed: 0x%08lX\n", width,
                     height, static_cast<unsigned long>(result));
    }
}

} // namespace bench
