#pragma once
// Small helpers for building DirectShow graphs by hand: filters by class identifier, pins by
// direction or category, direct pin connections and the connected video format.
#include <dshow.h>
#include <wrl/client.h>

namespace graphkit {

using Microsoft::WRL::ComPtr;

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

} // namespace graphkit
