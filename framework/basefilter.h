#pragma once
// The generic filter: run state, clock, graph membership and name; reaches its pins
// only through GetPinCount / GetPin.
#include "com_owners.h"
#include "setupdata.h"
#include "sync.h"
#include "unknown.h"

#include <dshow.h>

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    CBaseFilter(const WCHAR* objectName, IUnknown* outer, CCritSec* lock, REFCLSID clsid);
    ~CBaseFilter() override;

    // IUnknown faces forward to the owner.
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return GetOwner()->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return GetOwner()->Release(); }
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** out) override;

    // IPersist
    STDMETHODIMP GetClassID(CLSID* pClsID) override;
    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMSecs, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override;
    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;
    // IAMovieSetup
    STDMETHODIMP Register() override;
    STDMETHODIMP Unregister() override;

    virtual HRESULT StreamTime(REFERENCE_TIME& rtStream);
    virtual LONG GetPinVersion();
    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int n) = 0;
    virtual const AMOVIESETUP_FILTER* GetSetupData();

    void IncrementPinVersion();
    HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
    BOOL IsActive();
    BOOL IsStopped() const { return state == State_Stopped; }

protected:
    volatile FILTER_STATE state = State_Stopped;
    ComPtr<IReferenceClock> clock;
    REFERENCE_TIME startTime = 0;

private:
    const CLSID clsid;
    CCritSec* const lock;
    WCHAR* name = nullptr;
    IFilterGraph* graph = nullptr;
    IMediaEventSink* eventSink = nullptr;
    volatile LONG pinVersion = 1;
};
