#pragma once
// The generic pin: IPin and IQualityControl, the peer and the agreed media type, and the
// connection protocol.
#include "com_owners.h"
#include "mediatype.h"
#include "sync.h"
#include "unknown.h"

#include <dshow.h>

class CBaseFilter;

class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
    CBasePin(const WCHAR* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
             const WCHAR* pinName, PIN_DIRECTION direction);
    ~CBasePin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

    // IPin
    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override;
    STDMETHODIMP QueryId(LPWSTR* Id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // IQualityControl
    STDMETHODIMP Notify(IBaseFilter* pSender, Quality q) override;
    STDMETHODIMP SetSink(IQualityControl* piqc) override;

    virtual LONG GetMediaTypeVersion();
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME tStart);
    virtual HRESULT CheckMediaType(const COwnedMediaType* pmt) = 0;
    virtual HRESULT SetMediaType(const COwnedMediaType* pmt);
    virtual HRESULT CheckConnect(IPin* pPin);
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* pReceivePin);
    virtual HRESULT GetMediaType(int iPosition, COwnedMediaType* pmt);

    void IncrementTypeVersion();
    BOOL IsConnected() const { return connected ? TRUE : FALSE; }
    IPin* GetConnected() const { return connected.Get(); }
    CBaseFilter* Filter() const { return filter; }
    const COwnedMediaType& CurrentMediaType() const { return mediaType; }

protected:
    HRESULT AgreeMediaType(IPin* pReceivePin, const COwnedMediaType* pmt);
    HRESULT TryMediaTypes(IPin* pReceivePin, const COwnedMediaType* pmt, IEnumMediaTypes* types);
    HRESULT AttemptConnection(IPin* pReceivePin, const COwnedMediaType* pmt);
    bool FilterStopped() const;
    // Both ends of a connection require an unconnected pin on a stopped filter.
    HRESULT CanConnect() const;
    void DropPeer();

    WCHAR* name;
    ComPtr<IPin> connected;
    const PIN_DIRECTION direction;
    CCritSec* const lock;
    bool runTimeError = false;
    bool canReconnectWhenActive = false;
    bool tryMyTypesFirst = false;
    CBaseFilter* const filter;
    IQualityControl* qualitySink = nullptr;
    volatile LONG typeVersion = 1;
    COwnedMediaType mediaType;
    REFERENCE_TIME segmentStart = 0;
    REFERENCE_TIME segmentStop = 0x7FFFFFFFFFFFFFFFLL;
    double segmentRate = 1.0;
};
