#include "media_stream.h"

#include "module_count.h"

#include <mfapi.h>
#include <mferror.h>
#include <new>

HRESULT MediaStream::Create(IMFMediaSource* source, IMFStreamDescriptor* descriptor,
                            const CameraFormat& format, MediaStream** stream) {
    ComPtr<IMFMediaEventQueue> events;
    HRESULT hr = MFCreateEventQueue(&events);
    if (FAILED(hr)) {
        return hr;
    }
    *stream = new (std::nothrow) MediaStream(source, descriptor, events.Get(), format);
    return *stream != nullptr ? S_OK : E_OUTOFMEMORY;
}

MediaStream::MediaStream(IMFMediaSource* source, IMFStreamDescriptor* descriptor,
                         IMFMediaEventQueue* events, const CameraFormat& format)
    : EventGenerator(events), source(source), descriptor(descriptor), pump(format, events) {
    ModuleCount::ObjectMade();
}

MediaStream::~MediaStream() {
    pump.Shutdown();
    ModuleCount::ObjectGone();
}

STDMETHODIMP MediaStream::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IMFMediaEventGenerator || riid == IID_IMFMediaStream ||
        riid == IID_IMFMediaStream2) {
        *out = static_cast<IMFMediaStream2*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP MediaStream::GetMediaSource(IMFMediaSource** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    *out = source;
    source->AddRef();
    return S_OK;
}

STDMETHODIMP MediaStream::GetStreamDescriptor(IMFStreamDescriptor** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    return descriptor.CopyTo(out);
}

STDMETHODIMP MediaStream::RequestSample(IUnknown* token) {
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    return pump.Request(token);
}

STDMETHODIMP MediaStream::SetStreamState(MF_STREAM_STATE value) {
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    switch (value) {
    case MF_STREAM_STATE_RUNNING:
        if (state != MF_STREAM_STATE_RUNNING) {
            // Running again in the type last chosen, without the source's start.
            ComPtr<IMFMediaTypeHandler> handler;
            ComPtr<IMFMediaType> type;
            HRESULT hr = descriptor->GetMediaTypeHandler(&handler);
            if (SUCCEEDED(hr)) {
                hr = handler->GetCurrentMediaType(&type);
            }
            if (SUCCEEDED(hr)) {
                hr = pump.Start(type.Get());
            }
            if (FAILED(hr)) {
                return hr;
            }
            state = MF_STREAM_STATE_RUNNING;
        }
        return S_OK;
    case MF_STREAM_STATE_STOPPED:
        if (state == MF_STREAM_STATE_RUNNING) {
            pump.Stop();
            state = MF_STREAM_STATE_STOPPED;
        }
        return S_OK;
    case MF_STREAM_STATE_PAUSED:
        break;
    }
    return MF_E_INVALID_STATE_TRANSITION; // the camera has no pause
}

STDMETHODIMP MediaStream::GetStreamState(MF_STREAM_STATE* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    *value = state;
    return S_OK;
}

HRESULT MediaStream::Start(IMFMediaType* type, const PROPVARIANT* position) {
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    const HRESULT hr = pump.Start(type);
    if (FAILED(hr)) {
        return hr;
    }
    state = MF_STREAM_STATE_RUNNING;
    return events->QueueEventParamVar(MEStreamStarted, GUID_NULL, S_OK, position);
}

HRESULT MediaStream::Stop() {
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    pump.Stop();
    state = MF_STREAM_STATE_STOPPED;
    return events->QueueEventParamVar(MEStreamStopped, GUID_NULL, S_OK, nullptr);
}

void MediaStream::Shutdown() {
    CScopedLock guard(&lock);
    if (shutDown) {
        return;
    }
    shutDown = true;
    pump.Shutdown();
    events->Shutdown();
    source = nullptr;
}
