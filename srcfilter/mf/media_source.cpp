#include "media_source.h"

#include "media_types.h"
#include "module_count.h"
#include "qvl_protocol.h"
#include "stored_settings.h"

#include <mfapi.h>
#include <mferror.h>
#include <new>

#define QVL_WIDEN2(text) L##text
#define QVL_WIDEN(text) QVL_WIDEN2(text)

HRESULT MediaSource::CreateInstance(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    MediaSource* source = new (std::nothrow) MediaSource();
    if (source == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = source->Initialize();
    if (SUCCEEDED(hr)) {
        hr = source->QueryInterface(riid, out);
    }
    source->Release();
    return hr;
}

MediaSource::MediaSource() {
    ModuleCount::ObjectMade();
}

MediaSource::~MediaSource() {
    // The stream does not hold its source: it must not outlive it running.
    if (stream) {
        stream->Shutdown();
    }
    if (events) {
        events->Shutdown();
    }
    ModuleCount::ObjectGone();
}

HRESULT MediaSource::Initialize() {
    format = CameraFormatFor(ReadMachineSettings());
    HRESULT hr = MFCreateEventQueue(&events);
    if (SUCCEEDED(hr)) {
        hr = MFCreateAttributes(&attributes, 1);
    }
    if (SUCCEEDED(hr)) {
        hr = attributes->SetString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME,
                                   QVL_WIDEN(QVL_CAMERA_FRIENDLY_NAME));
    }
    IMFMediaType* types[2] = {};
    DWORD typeCount = 0;
    if (SUCCEEDED(hr)) {
        hr = CreateMediaTypes(format, types, &typeCount);
    }
    if (SUCCEEDED(hr)) {
        hr = MFCreateStreamDescriptor(0, typeCount, types, &streamDescriptor);
    }
    ComPtr<IMFMediaTypeHandler> handler;
    if (SUCCEEDED(hr)) {
        hr = streamDescriptor->GetMediaTypeHandler(&handler);
    }
    if (SUCCEEDED(hr)) {
        hr = handler->SetCurrentMediaType(types[0]);
    }
    for (DWORD i = 0; i < typeCount; ++i) {
        types[i]->Release();
    }
    if (SUCCEEDED(hr)) {
        streamDescriptor->SetGUID(MF_DEVICESTREAM_STREAM_CATEGORY, videoCapturePin);
        streamDescriptor->SetUINT32(MF_DEVICESTREAM_STREAM_ID, 0);
        streamDescriptor->SetUINT32(MF_DEVICESTREAM_FRAMESERVER_SHARED, 1);
        hr = streamDescriptor->SetUINT32(MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES,
                                         MFFrameSourceTypes_Color);
    }
    IMFStreamDescriptor* descriptors[1] = {streamDescriptor.Get()};
    if (SUCCEEDED(hr)) {
        hr = MFCreatePresentationDescriptor(1, descriptors, &presentation);
    }
    if (SUCCEEDED(hr)) {
        hr = presentation->SelectStream(0);
    }
    if (SUCCEEDED(hr)) {
        hr = MediaStream::Create(this, streamDescriptor.Get(), format, &stream);
    }
    return hr;
}

STDMETHODIMP MediaSource::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IMFMediaEventGenerator || riid == IID_IMFMediaSource ||
        riid == IID_IMFMediaSourceEx) {
        *out = static_cast<IMFMediaSourceEx*>(this);
    } else if (riid == IID_IMFGetService) {
        *out = static_cast<IMFGetService*>(this);
    } else if (riid == iidKsControl) {
        *out = static_cast<IKsControl*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP MediaSource::GetCharacteristics(DWORD* characteristics) {
    if (characteristics == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    *characteristics = MFMEDIASOURCE_IS_LIVE;
    return S_OK;
}

STDMETHODIMP MediaSource::CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor) {
    if (descriptor == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(&lock);
    return shutDown ? MF_E_SHUTDOWN : presentation->Clone(descriptor);
}

HRESULT MediaSource::SelectedType(IMFPresentationDescriptor* descriptor, IMFMediaType** type) {
    BOOL selected = FALSE;
    ComPtr<IMFStreamDescriptor> chosen;
    ComPtr<IMFMediaTypeHandler> handler;
    HRESULT hr = descriptor->GetStreamDescriptorByIndex(0, &selected, &chosen);
    if (SUCCEEDED(hr)) {
        hr = chosen->GetMediaTypeHandler(&handler);
    }
    if (SUCCEEDED(hr) && FAILED(handler->GetCurrentMediaType(type))) {
        hr = handler->GetMediaTypeByIndex(0, type);
    }
    return hr;
}

STDMETHODIMP MediaSource::Start(IMFPresentationDescriptor* descriptor, const GUID* timeFormat,
                                const PROPVARIANT* position) {
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    if (descriptor == nullptr) {
        return E_INVALIDARG;
    }
    if (timeFormat != nullptr && *timeFormat != GUID_NULL) {
        return MF_E_UNSUPPORTED_TIME_FORMAT;
    }
    ComPtr<IMFMediaType> type;
    HRESULT hr = SelectedType(descriptor, &type);
    if (SUCCEEDED(hr)) {
        hr = events->QueueEventParamUnk(everStarted ? MEUpdatedStream : MENewStream, GUID_NULL,
                                        S_OK, static_cast<IMFMediaStream*>(stream.Get()));
    }
    if (SUCCEEDED(hr)) {
        hr = stream->Start(type.Get(), position);
    }
    if (SUCCEEDED(hr)) {
        everStarted = true;
        hr = events->QueueEventParamVar(MESourceStarted, GUID_NULL, S_OK, position);
    }
    return hr;
}

STDMETHODIMP MediaSource::Stop() {
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    if (everStarted) {
        const HRESULT hr = stream->Stop();
        if (FAILED(hr)) {
            return hr;
        }
    }
    return events->QueueEventParamVar(MESourceStopped, GUID_NULL, S_OK, nullptr);
}

STDMETHODIMP MediaSource::Pause() {
    CScopedLock guard(&lock);
    return shutDown ? MF_E_SHUTDOWN : MF_E_INVALID_STATE_TRANSITION;
}

STDMETHODIMP MediaSource::Shutdown() {
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    shutDown = true;
    stream->Shutdown(); // ends its worker: nothing of the source runs after this
    events->Shutdown();
    return S_OK;
}

STDMETHODIMP MediaSource::GetSourceAttributes(IMFAttributes** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(&lock);
    // The store itself, not a copy: the system sets attributes on it.
    return shutDown ? MF_E_SHUTDOWN : attributes.CopyTo(out);
}

STDMETHODIMP MediaSource::GetStreamAttributes(DWORD id, IMFAttributes** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(&lock);
    if (shutDown) {
        return MF_E_SHUTDOWN;
    }
    return id == 0 ? streamDescriptor.CopyTo(out) : MF_E_INVALIDSTREAMNUMBER;
}

STDMETHODIMP MediaSource::SetD3DManager(IUnknown*) {
    CScopedLock guard(&lock);
    // Pictures are made in system memory; the system copies them where it needs them.
    return shutDown ? MF_E_SHUTDOWN : S_OK;
}

STDMETHODIMP MediaSource::GetService(REFGUID, REFIID, void** out) {
    if (out != nullptr) {
        *out = nullptr;
    }
    CScopedLock guard(&lock);
    return shutDown ? MF_E_SHUTDOWN : MF_E_UNSUPPORTED_SERVICE;
}

STDMETHODIMP MediaSource::KsProperty(PKSPROPERTY, ULONG, LPVOID, ULONG, ULONG* returned) {
    return KsMethod(nullptr, 0, nullptr, 0, returned);
}

STDMETHODIMP MediaSource::KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG* returned) {
    if (returned != nullptr) {
        *returned = 0;
    }
    CScopedLock guard(&lock);
    return shutDown ? MF_E_SHUTDOWN : HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
}

STDMETHODIMP MediaSource::KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG* returned) {
    return KsMethod(nullptr, 0, nullptr, 0, returned);
}
