#pragma once
// The Windows 11 camera: a Media Foundation media source with one video stream of the machine's
// format, fed by the producers through the Global channel. Cheap to create: the system also
// creates it only to read its stream and types.
//
// Lock order: the source's lock, then the stream's (frame_pump.h has the rest).
#include "com_owners.h"
#include "event_generator.h"
#include "media_stream.h"
#include "mf_declarations.h"

#include <ks.h>
#include <ksproxy.h>

class MediaSource final : public EventGenerator<IMFMediaSourceEx>,
                          public IMFGetService,
                          public IKsControl {
public:
    // A new source asked for `riid`; its format is the machine's (ReadMachineSettings).
    static HRESULT CreateInstance(REFIID riid, void** out);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    // One count for all three interfaces (IMFMediaEventGenerator: EventGenerator).
    STDMETHODIMP_(ULONG) AddRef() override { return EventGenerator::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return EventGenerator::Release(); }
    // IMFMediaSource
    STDMETHODIMP GetCharacteristics(DWORD* characteristics) override;
    STDMETHODIMP CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor) override;
    STDMETHODIMP Start(IMFPresentationDescriptor* descriptor, const GUID* timeFormat,
                       const PROPVARIANT* position) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Shutdown() override;
    // IMFMediaSourceEx
    STDMETHODIMP GetSourceAttributes(IMFAttributes** attributes) override;
    STDMETHODIMP GetStreamAttributes(DWORD stream, IMFAttributes** attributes) override;
    STDMETHODIMP SetD3DManager(IUnknown* manager) override;
    // IMFGetService: no services.
    STDMETHODIMP GetService(REFGUID service, REFIID riid, void** out) override;
    // IKsControl: no property, method or event sets.
    STDMETHODIMP KsProperty(PKSPROPERTY property, ULONG length, LPVOID data, ULONG dataLength,
                            ULONG* returned) override;
    STDMETHODIMP KsMethod(PKSMETHOD method, ULONG length, LPVOID data, ULONG dataLength,
                          ULONG* returned) override;
    STDMETHODIMP KsEvent(PKSEVENT event, ULONG length, LPVOID data, ULONG dataLength,
                         ULONG* returned) override;

private:
    MediaSource();
    ~MediaSource();
    HRESULT Initialize();
    // The type the stream's descriptor in `descriptor` has selected, else the first.
    HRESULT SelectedType(IMFPresentationDescriptor* descriptor, IMFMediaType** type);

    // Under the source's lock (EventGenerator's), like its queue and shut-down flag.
    CameraFormat format = {};
    ComPtr<IMFAttributes> attributes;
    ComPtr<IMFStreamDescriptor> streamDescriptor;
    ComPtr<IMFPresentationDescriptor> presentation;
    ComPtr<MediaStream> stream;
    bool everStarted = false;
};
