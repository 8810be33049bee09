#pragma once
// The camera's one stream: its event queue, its descriptor and the pump that answers its
// sample requests. Started, stopped and shut down by its source, under the source's lock.
#include "camera_format.h"
#include "com_owners.h"
#include "frame_pump.h"
#include "mf_declarations.h"
#include "sync.h"

class MediaStream final : public IMFMediaStream2 {
public:
    // `source` is not held (it holds the stream): it shuts the stream down before it goes, and
    // the stream answers GetMediaSource with it until then.
    static HRESULT Create(IMFMediaSource* source, IMFStreamDescriptor* descriptor,
                          const CameraFormat& format, MediaStream** stream);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IMFMediaEventGenerator
    STDMETHODIMP GetEvent(DWORD flags, IMFMediaEvent** event) override;
    STDMETHODIMP BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override;
    STDMETHODIMP EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override;
    STDMETHODIMP QueueEvent(MediaEventType type, REFGUID extended, HRESULT status,
                            const PROPVARIANT* value) override;
    // IMFMediaStream
    STDMETHODIMP GetMediaSource(IMFMediaSource** source) override;
    STDMETHODIMP GetStreamDescriptor(IMFStreamDescriptor** descriptor) override;
    STDMETHODIMP RequestSample(IUnknown* token) override;
    // IMFMediaStream2
    STDMETHODIMP SetStreamState(MF_STREAM_STATE value) override;
    STDMETHODIMP GetStreamState(MF_STREAM_STATE* value) override;

    // For the source. Start queues MEStreamStarted, Stop MEStreamStopped.
    HRESULT Start(IMFMediaType* type, const PROPVARIANT* position);
    HRESULT Stop();
    void Shutdown();

private:
    MediaStream(IMFMediaSource* source, IMFStreamDescriptor* descriptor, IMFMediaEventQueue* events,
                const CameraFormat& format);
    ~MediaStream();

    volatile LONG references = 1;
    // Guards the state below (lock order: frame_pump.h).
    CCritSec lock;
    IMFMediaSource* source;
    ComPtr<IMFStreamDescriptor> descriptor;
    ComPtr<IMFMediaEventQueue> events;
    MF_STREAM_STATE state = MF_STREAM_STATE_STOPPED;
    bool shutDown = false;
    FramePump pump;
};
