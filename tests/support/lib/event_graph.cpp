#include "event_graph.h"

STDMETHODIMP CEventGraph::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IFilterGraph)) {
        *out = static_cast<IFilterGraph*>(this);
    } else if (IsEqualIID(riid, IID_IMediaEventSink)) {
        *out = static_cast<IMediaEventSink*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CEventGraph::AddRef() {
    return InterlockedIncrement(&references);
}
STDMETHODIMP_(ULONG) CEventGraph::Release() {
    return InterlockedDecrement(&references);
}

STDMETHODIMP CEventGraph::AddFilter(IBaseFilter*, LPCWSTR) {
    return E_NOTIMPL;
}
STDMETHODIMP CEventGraph::RemoveFilter(IBaseFilter*) {
    return E_NOTIMPL;
}
STDMETHODIMP CEventGraph::EnumFilters(IEnumFilters**) {
    return E_NOTIMPL;
}
STDMETHODIMP CEventGraph::FindFilterByName(LPCWSTR, IBaseFilter**) {
    return E_NOTIMPL;
}
STDMETHODIMP CEventGraph::ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) {
    return E_NOTIMPL;
}
STDMETHODIMP CEventGraph::Reconnect(IPin*) {
    return E_NOTIMPL;
}
STDMETHODIMP CEventGraph::Disconnect(IPin*) {
    return E_NOTIMPL;
}
STDMETHODIMP CEventGraph::SetDefaultSyncSource() {
    return E_NOTIMPL;
}

STDMETHODIMP CEventGraph::Notify(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) {
    {
        std::lock_guard<std::mutex> guard(mutex);
        events.push_back({EventCode, EventParam1, EventParam2});
    }
    notified.Add();
    return S_OK;
}

std::vector<CaughtEvent> CEventGraph::Events() {
    std::lock_guard<std::mutex> guard(mutex);
    return events;
}
