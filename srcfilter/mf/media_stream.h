#pragma once
// The camera's one stream: its event queue, its descriptor and the pump that answers its
// sample requests. Started, stopped and shut down by its source, under the source's lock.
#include "camera_format.h"
#include "com_owners.h"
#include "event_generator.h"
#include "frame_pump.h"
#include "mf_declarations.h"

class MediaStream final : public EventGenerator<IMFMediaStream2> {
public:
    // `source` is not held (it holds the stream): it shuts the stream down before it goes, and
    // the stream answers GetMediaSource with it until then.
    static HRESULT Create(IMFMediaSource* source, IMFStreamDescriptor* descriptor,
                          const CameraFormat& format, MediaStream** stream);

    // IUnknown (AddRef, Release and IMFMediaEventGenerator: EventGenerator)
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
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

    // Under the stream's lock (EventGenerator's; lock order: frame_pump.h), like its queue
    // and shut-down flag.
    IMFMediaSource* source;
    ComPtr<IMFStreamDescriptor> descriptor;
    MF_STREAM_STATE state = MF_STREAM_STATE_STOPPED;
    FramePump pump;
};
