#pragma once
// A downstream input pin (IPin and IMemInputPin) whose answers tests arrange: the types it
// offers, which types it takes and with what code, the allocator it offers and what it does
// with samples. The test owns it; references are counted but never free it.
#include "mediatype.h"
#include "tally.h"

#include <functional>
#include <mutex>
#include <vector>

class CFakeInputPin : public IPin, public IMemInputPin {
public:
    CFakeInputPin() = default;
    virtual ~CFakeInputPin();
    CFakeInputPin(const CFakeInputPin&) = delete;
    CFakeInputPin& operator=(const CFakeInputPin&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

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

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                 LONG* nSamplesProcessed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    // Arrangement, made before connecting or streaming.
    std::vector<COwnedMediaType> offered;
    // The answer of ReceiveConnection for a type; by default every type is taken.
    std::function<HRESULT(const COwnedMediaType&)> receiveRule;
    // Offered by GetAllocator when set; otherwise GetAllocator fails with getAllocatorFailure.
    IMemAllocator* allocatorToOffer = nullptr;
    HRESULT getAllocatorFailure = VFW_E_NO_ALLOCATOR;
    ALLOCATOR_PROPERTIES requirements = {};
    HRESULT notifyResult = S_OK;
    HRESULT receiveResult = S_OK;
    // Keeps every received sample until ReleaseHeld, so a one-buffer allocator runs dry.
    bool holdSamples = false;

    // Observations.
    LONG References() const { return references - 1; } // beyond the test's own
    IPin* Peer() const { return peer; }
    IMemAllocator* NotifiedAllocator() const { return notified; }
    std::vector<COwnedMediaType> Attempts();
    std::vector<DWORD> Counters();
    int Disconnects() const { return disconnects; }
    void ReleaseHeld();
    Tally received;
    Tally endOfStreams;

private:
    volatile LONG references = 1;
    std::mutex mutex;
    IPin* peer = nullptr;
    IMemAllocator* notified = nullptr;
    COwnedMediaType connectionType;
    std::vector<COwnedMediaType> attempts;
    std::vector<DWORD> counters;
    std::vector<IMediaSample*> held;
    int disconnects = 0;
};
