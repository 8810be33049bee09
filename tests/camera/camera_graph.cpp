#include "camera_graph.h"

namespace {
const CLSID sampleGrabberClsid = {
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID nullRendererClsid = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION wanted) {
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> pin;
    if (FAILED(filter->EnumPins(&pins))) {
        return nullptr;
    }
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) {
            return pin;
        }
    }
    return nullptr;
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
    ComPtr<IPin> out = PinOf(from, PINDIR_OUTPUT);
    ComPtr<IPin> in = PinOf(to, PINDIR_INPUT);
    if (!out || !in) {
        return E_FAIL;
    }
    return graph->ConnectDirect(out.Get(), in.Get(), nullptr);
}
} // namespace

CCameraGraph::CCameraGraph(CSampleRecorder* recorder) {
    built = Build(recorder);
}

HRESULT CCameraGraph::Build(CSampleRecorder* recorder) {
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    if (FAILED(hr) || FAILED(hr = graph.As(&control))) {
        return hr;
    }
    camera = CreateCamera(&hr);
    if (FAILED(hr) || FAILED(hr = graph->AddFilter(camera.Get(), L"camera"))) {
        return hr;
    }
    hr = CoCreateInstance(sampleGrabberClsid, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&grabberFilter));
    if (FAILED(hr) || FAILED(hr = grabberFilter.As(&grabber)) ||
        FAILED(hr = graph->AddFilter(grabberFilter.Get(), L"grabber"))) {
        return hr;
    }
    hr =
        CoCreateInstance(nullRendererClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer));
    if (FAILED(hr) || FAILED(hr = graph->AddFilter(renderer.Get(), L"renderer"))) {
        return hr;
    }
    AM_MEDIA_TYPE wanted = {};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB32;
    if (FAILED(hr = grabber->SetMediaType(&wanted)) ||
        FAILED(hr = grabber->SetBufferSamples(FALSE)) ||
        FAILED(hr = grabber->SetCallback(recorder, 0))) {
        return hr;
    }
    if (FAILED(hr = ConnectFilters(graph.Get(), camera.Get(), grabberFilter.Get())) ||
        FAILED(hr = ConnectFilters(graph.Get(), grabberFilter.Get(), renderer.Get()))) {
        return hr;
    }
    // Without a clock the renderer hands each sample back at once.
    ComPtr<IMediaFilter> timing;
    if (FAILED(hr = graph.As(&timing))) {
        return hr;
    }
    return timing->SetSyncSource(nullptr);
}

CCameraGraph::~CCameraGraph() {
    if (control) {
        control->Stop();
    }
    if (grabber) {
        grabber->SetCallback(nullptr, 0);
    }
    if (graph) {
        // Leave no filter held by the graph once this object is gone.
        for (IBaseFilter* filter : {renderer.Get(), grabberFilter.Get(), camera.Get()}) {
            if (filter != nullptr) {
                graph->RemoveFilter(filter);
            }
        }
    }
}
