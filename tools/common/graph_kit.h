#pragma once
// Building DirectShow graphs by hand: filters by class identifier, pins by direction or
// category, direct pin connections, the connected video format, and the camera graph itself.
#include "com_owners.h"

#include <dshow.h>
#include <qedit.h>

namespace graphkit {

using ::ComPtr;

extern const CLSID CLSID_CameraFilter;
extern const CLSID CLSID_SampleGrabberFilter;
extern const CLSID CLSID_NullRendererFilter;

// Creates a filter and adds it to the graph under the given name.
HRESULT AddFilter(IGraphBuilder* graph, REFCLSID clsid, const wchar_t* name,
                  ComPtr<IBaseFilter>& filter);

// The first pin of the given direction, or null.
ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction);

// The camera's capture output, found by pin category as a capture application would;
// falls back to the first output pin. `byCategory` tells which way it was found.
ComPtr<IPin> CaptureOutputPin(IBaseFilter* source, bool& byCategory);

// Connects the first output pin of `from` to the first input pin of `to`, with no
// intermediate filters.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to);

struct VideoFormat {
    long width = 0;
    long height = 0;
    long bitCount = 0;
    REFERENCE_TIME frameTime = 0;
    DWORD imageSize = 0;
};

// Reads the video format a connected pin agreed on.
HRESULT ConnectedFormat(IPin* pin, VideoFormat& format);

struct CameraGraphOptions {
    // Keep a reference clock (the platform's system clock): the camera then delivers in real
    // time. Without one, samples flow as fast as they are consumed.
    bool clock = false;
    // A null renderer after the grabber; without it the grabber is the only sink and releases
    // each sample at once, as a capture program's sink does.
    bool renderer = true;
    // Find the camera's output as a capture application does, by pin category; otherwise its
    // first output pin.
    bool byCategory = false;
    // The camera's name in the graph.
    const wchar_t* cameraName = L"Quovalent_01";
};

// The camera graph of the tools, the tests and the benchmark: camera -> sample grabber (RGB32
// video only, no buffering) -> null renderer, connected pin to pin.
class CameraGraph {
public:
    CameraGraph() = default;
    // Stops the graph and drops the callback before the graph and its filters go.
    ~CameraGraph();
    CameraGraph(const CameraGraph&) = delete;
    CameraGraph& operator=(const CameraGraph&) = delete;

    // Builds the graph around `camera`.
    HRESULT Build(IBaseFilter* camera, const CameraGraphOptions& options);
    // The grabber's callback, called with each sample (null: none).
    HRESULT SetCallback(ISampleGrabberCB* callback);

    HRESULT Run() { return control->Run(); }
    HRESULT Pause() { return control->Pause(); }
    HRESULT Stop() { return control->Stop(); }
    IGraphBuilder* Graph() const { return graph.Get(); }
    IBaseFilter* Camera() const { return camera.Get(); }
    IPin* CameraOutput() const { return cameraOutput.Get(); }
    // The output was found by pin category (with CameraGraphOptions::byCategory).
    bool FoundByCategory() const { return foundByCategory; }

private:
    HRESULT AddCamera(IBaseFilter* filter, const CameraGraphOptions& options);
    HRESULT SetTiming(bool clock);

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> camera;
    ComPtr<IPin> cameraOutput;
    ComPtr<IBaseFilter> grabberFilter;
    ComPtr<ISampleGrabber> grabber;
    ComPtr<IBaseFilter> renderer;
    bool foundByCategory = false;
};

} // namespace graphkit
