#include "camera_graph.h"

CCameraGraph::CCameraGraph(CSampleRecorder* recorder, CameraGraphOptions options) {
    HRESULT hr = E_FAIL;
    ComPtr<IBaseFilter> camera = CreateCamera(&hr);
    options.cameraName = L"camera";
    if (SUCCEEDED(hr)) {
        hr = Build(camera.Get(), options);
    }
    built = SUCCEEDED(hr) ? SetCallback(recorder) : hr;
}
