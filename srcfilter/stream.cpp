#include "stream.h"

#include "bitmap.h"
#include "camera_format.h"
#include "qvl_protocol.h"
#include "settings.h"
#include "source.h"

namespace {
VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE& type) {
    return reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
}
} // namespace

Cqvl_Stream::Cqvl_Stream(HRESULT* phr, CSource* filter, const WCHAR* pinName)
    : CSourceStream(nullptr, phr, filter, pinName) {
    CScopedLock guard(&streamLock);
    ApplySettings();
    CLSID clsid = GUID_NULL;
    char regionName[256];
    if (SUCCEEDED(filter->GetClassID(&clsid)) && RegionNameForClsid(clsid, regionName)) {
        // A region made here holds the whole frame; one a producer made first keeps its size.
        // A channel that does not open leaves the stream delivering untouched buffers.
        sharedMemory.Open(regionName, RegionCreationSize(FrameBytes(width, height)),
                          QVL_CAMERA_MUTEX_WAIT_MS);
        // Without the block the camera is paced by the clock alone.
        frameSignal.Open(regionName);
    }
    BuildFormat();
}

Cqvl_Stream::~Cqvl_Stream() {
    CScopedLock guard(&streamLock);
    sharedMemory.Close();
}

void Cqvl_Stream::ApplySettings() {
    // Unusable sizes or rates fall back to the defaults rather than yield a broken frame.
    const CameraFormat format = CameraFormatFor(ReadStreamSettings());
    width = format.width;
    height = format.height;
    frameTime = 10000000LL / format.fps;
}

void Cqvl_Stream::BuildFormat() {
    BYTE* block = mediaType.ReserveFormat(sizeof(VIDEOINFOHEADER));
    if (block == nullptr) {
        return;
    }
    ZeroMemory(block, sizeof(VIDEOINFOHEADER));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(block);
    info->AvgTimePerFrame = frameTime;
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = BitmapImageSize(&header);
    const GUID subtype = SubtypeForBitmap(&header);
    mediaType.SetMajorType(&MEDIATYPE_Video);
    mediaType.SetFormatTypeGuid(&FORMAT_VideoInfo);
    mediaType.SetTemporallyCompressed(FALSE);
    mediaType.SetSubType(&subtype);
    mediaType.SetFixedSampleSize(header.biSizeImage);
}

STDMETHODIMP Cqvl_Stream::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IAMStreamConfig)) {
        return GetInterface(static_cast<IAMStreamConfig*>(this), out);
    }
    if (IsEqualIID(riid, IID_IKsPropertySet)) {
        return GetInterface(static_cast<IKsPropertySet*>(this), out);
    }
    return CBasePin::QueryInterface(riid, out);
}

HRESULT Cqvl_Stream::GetMediaType(int iPosition, COwnedMediaType* pmt) {
    if (iPosition < 0) {
        return E_INVALIDARG;
    }
    if (iPosition > 0) {
        return VFW_S_NO_MORE_ITEMS;
    }
    pmt->AssignFrom(&mediaType);
    return S_OK;
}

HRESULT Cqvl_Stream::CheckMediaType(const COwnedMediaType* pmt) {
    return *pmt == mediaType ? S_OK : E_INVALIDARG;
}

HRESULT Cqvl_Stream::SetMediaType(const COwnedMediaType* pmt) {
    return CSourceStream::SetMediaType(pmt);
}

HRESULT Cqvl_Stream::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) {
    CScopedLock guard(sourceFilter->pStateLock());
    if (mediaType.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return E_UNEXPECTED;
    }
    pProps->cBuffers = 1;
    pProps->cbBuffer = static_cast<long>(VideoInfo(mediaType)->bmiHeader.biSizeImage);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = pAlloc->SetProperties(pProps, &actual);
    if (FAILED(hr)) {
        return hr;
    }
    return actual.cbBuffer < pProps->cbBuffer ? E_FAIL : S_OK;
}

STDMETHODIMP Cqvl_Stream::SetFormat(AM_MEDIA_TYPE*) {
    return S_OK;
}

STDMETHODIMP Cqvl_Stream::GetFormat(AM_MEDIA_TYPE** ppmt) {
    if (ppmt == nullptr) {
        return E_POINTER;
    }
    *ppmt = DuplicateMediaType(&mediaType);
    return *ppmt == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDMETHODIMP Cqvl_Stream::GetNumberOfCapabilities(int* piCount, int* piSize) {
    if (piCount == nullptr || piSize == nullptr) {
        return E_POINTER;
    }
    *piCount = 1;
    *piSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

STDMETHODIMP Cqvl_Stream::GetStreamCaps(int, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) {
    if (ppmt == nullptr || pSCC == nullptr) {
        return E_POINTER;
    }
    AM_MEDIA_TYPE* type = DuplicateMediaType(&mediaType);
    if (type == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER)) {
        DestroyMediaType(type);
        *ppmt = nullptr;
        return E_OUTOFMEMORY;
    }
    VIDEOINFOHEADER* info = VideoInfo(*type);
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biCompression = BI_RGB;
    header.biBitCount = 32;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biSizeImage = BitmapImageSize(&header);
    header.biClrImportant = 0;
    SetRectEmpty(&info->rcSource);
    SetRectEmpty(&info->rcTarget);
    type->majortype = MEDIATYPE_Video;
    type->subtype = MEDIASUBTYPE_RGB32;
    type->formattype = FORMAT_VideoInfo;
    type->bTemporalCompression = FALSE;
    type->bFixedSizeSamples = FALSE;
    type->lSampleSize = header.biSizeImage;
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    *ppmt = type;

    auto* caps = reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(pSCC);
    ZeroMemory(caps, sizeof(*caps));
    caps->guid = FORMAT_VideoInfo;
    caps->VideoStandard = AnalogVideo_None;
    const SIZE size = {width, height};
    caps->InputSize = caps->MinCroppingSize = caps->MaxCroppingSize = size;
    caps->MinOutputSize = caps->MaxOutputSize = size;

    // The frame interval follows the stored rate as it is now.
    const LONG fps = ReadStreamSettings().fps;
    const LONGLONG interval =
        RateAllowed(fps) ? static_cast<LONGLONG>(1000 / fps) * 10000 : frameTime;
    caps->MinFrameInterval = caps->MaxFrameInterval = interval;
    // Reported at 25 frames a second whatever the rate; the field is 32-bit, so it saturates.
    const ULONGLONG bitRate = FrameBytes(width, height) * 8 * 25;
    caps->MinBitsPerSecond = caps->MaxBitsPerSecond =
        static_cast<LONG>(bitRate < 0x7FFFFFFFULL ? bitRate : 0x7FFFFFFFULL);
    return S_OK;
}
