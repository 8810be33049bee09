#include "counting_graph.h"

STDMETHODIMP CountingGraph::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IFilterGraph)) {
        *out = static_cast<IFilterGraph*>(this);
    } else if (withSink && IsEqualIID(riid, IID_IMediaEventSink)) {
        *out = static_cast<IMediaEventSink*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CountingGraph::Notify(long code, LONG_PTR param1, LONG_PTR param2) {
    events.push_back({code, param1, param2});
    return notifyResult;
}
