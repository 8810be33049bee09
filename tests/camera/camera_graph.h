#pragma once
// The camera made through the module's own class factory, in the shared camera graph
// (graph_kit.h): camera -> sample grabber -> null renderer, with no reference clock unless
// asked, so samples flow as fast as they are consumed.
#include "camera_helpers.h"
#include "graph_kit.h"
#include "sample_recorder.h"

using graphkit::CameraGraphOptions;

class CCameraGraph : public graphkit::CameraGraph {
public:
    explicit CCameraGraph(CSampleRecorder* recorder, CameraGraphOptions options = {});

    HRESULT BuildResult() const { return built; }

private:
    HRESULT built = E_FAIL;
};

// One frame at the default 25 fps, in 100 ns units.
inline constexpr REFERENCE_TIME defaultFrameTime = 10000000 / QVL_DEFAULT_FPS;
