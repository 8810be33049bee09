#include "media_types.h"

#include "com_owners.h"

#include <mfapi.h>

namespace {

HRESULT CreateVideoType(const CameraFormat& format, const GUID& subtype, UINT32 stride,
                        UINT32 sampleBytes, IMFMediaType** type) {
    ComPtr<IMFMediaType> made;
    HRESULT hr = MFCreateMediaType(&made);
    const UINT32 width = static_cast<UINT32>(format.width);
    const UINT32 height = static_cast<UINT32>(format.height);
    if (SUCCEEDED(hr)) {
        made->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        made->SetGUID(MF_MT_SUBTYPE, subtype);
        made->SetUINT64(MF_MT_FRAME_SIZE, (UINT64{width} << 32) | height);
        made->SetUINT64(MF_MT_FRAME_RATE, (UINT64{static_cast<UINT32>(format.fps)} << 32) | 1);
        made->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, (UINT64{1} << 32) | 1);
        made->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive);
        made->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, TRUE);
        made->SetUINT32(MF_MT_FIXED_SIZE_SAMPLES, TRUE);
        made->SetUINT32(MF_MT_SAMPLE_SIZE, sampleBytes);
        // Positive: the first row in memory is the picture's top row.
        hr = made->SetUINT32(MF_MT_DEFAULT_STRIDE, stride);
    }
    if (SUCCEEDED(hr)) {
        *type = made.Detach();
    }
    return hr;
}

} // namespace

bool Nv12Fits(const CameraFormat& format) {
    return format.width % 2 == 0 && format.height % 2 == 0;
}

HRESULT CreateMediaTypes(const CameraFormat& format, IMFMediaType** types, DWORD* count) {
    *count = 0;
    // The format rules keep a frame within 128 MiB, so every size fits 32 bits.
    const UINT32 pixels = static_cast<UINT32>(format.width * format.height);
    HRESULT hr = CreateVideoType(format, MFVideoFormat_RGB32, static_cast<UINT32>(format.width) * 4,
                                 pixels * 4, &types[0]);
    if (FAILED(hr)) {
        return hr;
    }
    *count = 1;
    if (Nv12Fits(format)) {
        hr = CreateVideoType(format, MFVideoFormat_NV12, static_cast<UINT32>(format.width),
                             pixels + pixels / 2, &types[1]);
        if (FAILED(hr)) {
            types[0]->Release();
            *count = 0;
            return hr;
        }
        types[1]->SetUINT32(MF_MT_YUV_MATRIX, MFVideoTransferMatrix_BT601);
        types[1]->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, MFNominalRange_16_235);
        *count = 2;
    }
    return S_OK;
}
