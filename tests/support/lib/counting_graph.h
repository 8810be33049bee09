#pragma once
// The least of a filter graph a filter talks to: IFilterGraph to be held, IMediaEventSink to
// receive events. Counts its references and records the events; graph operations are refused.
#include <dshow.h>

#include <vector>

struct SinkEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class CountingGraph : public IFilterGraph, public IMediaEventSink {
public:
    // A graph made without a sink answers E_NOINTERFACE for IMediaEventSink.
    explicit CountingGraph(bool withSink = true) : withSink(withSink) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&count); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&count); }

    // IFilterGraph
    STDMETHODIMP AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    STDMETHODIMP FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    STDMETHODIMP ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP Reconnect(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP Disconnect(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP SetDefaultSyncSource() override { return E_NOTIMPL; }

    // IMediaEventSink
    STDMETHODIMP Notify(long code, LONG_PTR param1, LONG_PTR param2) override;

    void SetNotifyResult(HRESULT hr) { notifyResult = hr; }
    const std::vector<SinkEvent>& Events() const { return events; }
    // References beyond the test's own one; the graph lives on the test's stack.
    LONG Extra() const { return count - 1; }

private:
    const bool withSink;
    volatile LONG count = 1;
    HRESULT notifyResult = S_OK;
    std::vector<SinkEvent> events;
};
