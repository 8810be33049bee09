#pragma once
// A filter graph that only answers IMediaEventSink, so that a joined filter's events can be
// caught. The test owns it; references are counted but never free it.
#include "tally.h"

#include <dshow.h>

#include <mutex>
#include <vector>

struct CaughtEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class CEventGraph : public IFilterGraph, public IMediaEventSink {
public:
    CEventGraph() = default;
    virtual ~CEventGraph() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IFilterGraph: nothing a joined filter relies on.
    STDMETHODIMP AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
    STDMETHODIMP RemoveFilter(IBaseFilter* pFilter) override;
    STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override;
    STDMETHODIMP FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) override;
    STDMETHODIMP ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Reconnect(IPin* ppin) override;
    STDMETHODIMP Disconnect(IPin* ppin) override;
    STDMETHODIMP SetDefaultSyncSource() override;

    // IMediaEventSink
    STDMETHODIMP Notify(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) override;

    std::vector<CaughtEvent> Events();
    LONG References() const { return references - 1; } // beyond the test's own
    Tally notified;

private:
    volatile LONG references = 1;
    std::mutex mutex;
    std::vector<CaughtEvent> events;
};
