#include "graph_kit.h"

#include "qvl_protocol.h"

#include <amvideo.h>
#include <uuids.h>

#include <initializer_list>

namespace graphkit {

const CLSID CLSID_CameraFilter = QVL_CAMERA_CLSID_INIT;
const CLSID CLSID_SampleGrabberFilter = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID CLSID_NullRendererFilter = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

HRESULT AddFilter(IGraphBuilder* graph, REFCLSID clsid, const wchar_t* name,
                  ComPtr<IBaseFilter>& filter) {
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        return hr;
    }
    return graph->AddFilter(filter.Get(), name);
}

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) {
        return nullptr;
    }
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION actual;
        if (SUCCEEDED(pin->QueryDirection(&actual)) && actual == direction) {
            return pin;
        }
    }
    return nullptr;
}

ComPtr<IPin> CaptureOutputPin(IBaseFilter* source, bool& byCategory) {
    byCategory = false;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IPin> pin;
    if (SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICaptureGraphBuilder2,
                                   reinterpret_cast<void**>(builder.GetAddressOf()))) &&
        SUCCEEDED(builder->FindPin(source, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                   FALSE, 0, pin.GetAddressOf()))) {
        byCategory = true;
        return pin;
    }
    return FirstPin(source, PINDIR_OUTPUT);
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
    ComPtr<IPin> out = FirstPin(from, PINDIR_OUTPUT);
    ComPtr<IPin> in = FirstPin(to, PINDIR_INPUT);
    if (!out || !in) {
        return VFW_E_NOT_FOUND;
    }
    return graph->ConnectDirect(out.Get(), in.Get(), nullptr);
}

HRESULT ConnectedFormat(IPin* pin, VideoFormat& format) {
    AM_MEDIA_TYPE type = {};
    HRESULT hr = pin->ConnectionMediaType(&type);
    if (FAILED(hr)) {
        return hr;
    }
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) &&
        type.cbFormat >= sizeof(VIDEOINFOHEADER) && type.pbFormat != nullptr) {
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
        format.width = info->bmiHeader.biWidth;
        format.height = info->bmiHeader.biHeight;
        format.bitCount = info->bmiHeader.biBitCount;
        format.frameTime = info->AvgTimePerFrame;
        format.imageSize = info->bmiHeader.biSizeImage;
    } else {
        hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
    CoTaskMemFree(type.pbFormat);
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
    }
    return hr;
}

CameraGraph::~CameraGraph() {
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

HRESULT CameraGraph::Build(IBaseFilter* filter, const CameraGraphOptions& options) {
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    if (FAILED(hr) || FAILED(hr = graph.As(&control)) || FAILED(hr = AddCamera(filter, options)) ||
        FAILED(hr = AddFilter(graph.Get(), CLSID_SampleGrabberFilter, L"Sample grabber",
                              grabberFilter)) ||
        FAILED(hr = grabberFilter.As(&grabber))) {
        return hr;
    }
    AM_MEDIA_TYPE wanted = {};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB32;
    ComPtr<IPin> grabberInput = FirstPin(grabberFilter.Get(), PINDIR_INPUT);
    if (FAILED(hr = grabber->SetMediaType(&wanted)) ||
        FAILED(hr = grabber->SetBufferSamples(FALSE)) || FAILED(hr = grabber->SetOneShot(FALSE))) {
        return hr;
    }
    if (!grabberInput) {
        return VFW_E_NOT_FOUND;
    }
    if (FAILED(hr = graph->ConnectDirect(cameraOutput.Get(), grabberInput.Get(), nullptr))) {
        return hr;
    }
    if (options.renderer &&
        (FAILED(hr =
                    AddFilter(graph.Get(), CLSID_NullRendererFilter, L"Null renderer", renderer)) ||
         FAILED(hr = ConnectFilters(graph.Get(), grabberFilter.Get(), renderer.Get())))) {
        return hr;
    }
    return SetTiming(options.clock);
}

HRESULT CameraGraph::AddCamera(IBaseFilter* filter, const CameraGraphOptions& options) {
    camera = filter;
    if (!camera) {
        return E_POINTER;
    }
    const HRESULT hr = graph->AddFilter(camera.Get(), options.cameraName);
    if (FAILED(hr)) {
        return hr;
    }
    cameraOutput = options.byCategory ? CaptureOutputPin(camera.Get(), foundByCategory)
                                      : FirstPin(camera.Get(), PINDIR_OUTPUT);
    return cameraOutput ? S_OK : VFW_E_NOT_FOUND;
}

HRESULT CameraGraph::SetTiming(bool clock) {
    if (clock) {
        // Chosen now rather than on the first Pause or Run, so that every filter has it before
        // it starts.
        return graph->SetDefaultSyncSource();
    }
    // Without a clock the renderer hands each sample back at once, and the camera does not
    // pace its delivery.
    ComPtr<IMediaFilter> timing;
    HRESULT hr = graph.As(&timing);
    return FAILED(hr) ? hr : timing->SetSyncSource(nullptr);
}

HRESULT CameraGraph::SetCallback(ISampleGrabberCB* callback) {
    return grabber ? grabber->SetCallback(callback, 0) : E_UNEXPECTED;
}

} // namespace graphkit
