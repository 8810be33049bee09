#include "vidsrcfilter.h"

#include "qvl_protocol.h"
#include "setuprecords.h"
#include "stream.h"

#include <new>

CUnknown* Cqvl_VidSrcFilter::CreateInstance(IUnknown* outer, HRESULT* result) {
    return new (std::nothrow) Cqvl_VidSrcFilter(outer, result);
}

Cqvl_VidSrcFilter::Cqvl_VidSrcFilter(IUnknown* outer, HRESULT* result)
    : CSource(nullptr, outer, CLSID_QuovalentVideoSource) {
    CScopedLock guard(&stateLock);
    Cqvl_Stream* stream =
        new (std::nothrow) Cqvl_Stream(result, this, L"" QVL_CAMERA_FRIENDLY_NAME);
    if (stream == nullptr) {
        *result = E_OUTOFMEMORY;
        return;
    }
    if (pinCount > 0 && streams[0] != stream) {
        // The stream appended itself; make sure it is entry 0.
        for (int i = 1; i < pinCount; ++i) {
            if (streams[i] == stream) {
                streams[i] = streams[0];
                streams[0] = stream;
            }
        }
    } else if (pinCount == 0) {
        // Its AddPin failed (reported through result): nobody else would delete it.
        delete stream;
    }
}

Cqvl_VidSrcFilter::~Cqvl_VidSrcFilter() = default;

Cqvl_Stream* Cqvl_VidSrcFilter::Stream() const {
    return pinCount > 0 ? static_cast<Cqvl_Stream*>(streams[0]) : nullptr;
}

STDMETHODIMP Cqvl_VidSrcFilter::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IAMStreamConfig) || IsEqualIID(riid, IID_IKsPropertySet)) {
        Cqvl_Stream* stream = Stream();
        if (stream == nullptr) {
            if (out != nullptr) {
                *out = nullptr;
            }
            return E_NOINTERFACE;
        }
        return static_cast<IPin*>(stream)->QueryInterface(riid, out);
    }
    return GetOwner()->QueryInterface(riid, out);
}
