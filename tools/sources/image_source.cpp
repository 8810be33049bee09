#include "image_source.h"

#include "com_owners.h"
#include "fitting.h"

#include <wincodec.h>
#include <windows.h>

#include <cwchar>

namespace {

// The picture's first frame, as 32-bit BGR pixels.
HRESULT Decode(IWICImagingFactory* factory, const wchar_t* path, ComPtr<IWICBitmapSource>& pixels) {
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    HRESULT hr = factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnDemand, &decoder);
    if (SUCCEEDED(hr)) {
        hr = decoder->GetFrame(0, &frame);
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateFormatConverter(&converter);
    }
    if (SUCCEEDED(hr)) {
        hr =
            converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                  nullptr, 0.0, WICBitmapPaletteTypeCustom);
    }
    if (SUCCEEDED(hr)) {
        pixels = converter;
    }
    return hr;
}

} // namespace

ImageSource::ImageSource(int width, int height)
    : width(width), height(height),
      picture(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0) {}

bool ImageSource::Load(const std::wstring& path, std::wstring* why) {
    // COM for the decoding; the decoder's objects are gone before it ends.
    const CComScope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapSource> pixels;
    ComPtr<IWICBitmapScaler> scaler;
    UINT pictureWidth = 0;
    UINT pictureHeight = 0;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&factory));
    if (SUCCEEDED(hr)) {
        hr = Decode(factory.Get(), path.c_str(), pixels);
    }
    if (SUCCEEDED(hr)) {
        hr = pixels->GetSize(&pictureWidth, &pictureHeight);
    }
    if (SUCCEEDED(hr) && (pictureWidth == 0 || pictureHeight == 0)) {
        hr = WINCODEC_ERR_BADIMAGE;
    }
    Placement fitted;
    if (SUCCEEDED(hr)) {
        fitted = FitCentred(pictureWidth, pictureHeight, width, height);
        hr = factory->CreateBitmapScaler(&scaler);
    }
    if (SUCCEEDED(hr)) {
        hr = scaler->Initialize(pixels.Get(), static_cast<UINT>(fitted.width),
                                static_cast<UINT>(fitted.height), WICBitmapInterpolationModeFant);
    }
    if (SUCCEEDED(hr)) {
        // The fitted picture goes in the middle; the rest stays black.
        const size_t stride = static_cast<size_t>(width) * 4;
        const size_t offset =
            static_cast<size_t>(fitted.y) * stride + static_cast<size_t>(fitted.x) * 4;
        hr =
            scaler->CopyPixels(nullptr, static_cast<UINT>(stride),
                               static_cast<UINT>(picture.size() - offset), picture.data() + offset);
    }
    if (FAILED(hr)) {
        wchar_t error[32];
        std::swprintf(error, 32, L" (error 0x%08lx)", static_cast<unsigned long>(hr));
        *why = L"cannot read the picture " + path + error;
        return false;
    }
    return true;
}

SourceStatus ImageSource::Next(unsigned long, qvl_frame& frame) {
    frame = DescribeFrame(picture.data(), picture.size(), width, height, QVL_BGRX);
    return SourceStatus::Frame;
}
