#pragma once
// The camera in the platform's filter graph: camera -> sample grabber -> null renderer,
// connected pin to pin, with no reference clock so samples flow as fast as they are consumed.
#include "camera_helpers.h"
#include "sample_recorder.h"

class CCameraGraph {
public:
    explicit CCameraGraph(CSampleRecorder* recorder);
    // Stops the graph and drops the callback before the graph and its filters go.
    ~CCameraGraph();
    CCameraGraph(const CCameraGraph&) = delete;
    CCameraGraph& operator=(const CCameraGraph&) = delete;

    HRESULT BuildResult() const { return built; }
    HRESULT Run() { return control->Run(); }
    HRESULT Pause() { return control->Pause(); }
    HRESULT Stop() { return control->Stop(); }
    IBaseFilter* Camera() const { return camera.Get(); }

private:
    HRESULT Build(CSampleRecorder* recorder);

    HRESULT built = E_FAIL;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> camera;
    ComPtr<IBaseFilter> grabberFilter;
    ComPtr<ISampleGrabber> grabber;
    ComPtr<IBaseFilter> renderer;
};

// One frame at the default 25 fps, in 100 ns units.
inline constexpr REFERENCE_TIME defaultFrameTime = 400000;
