#include "image_source.h"

#include "com_owners.h"
#include "fitting.h"

#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Widen(const char* text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1u, L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    }
    return wide;
}

// The picture's first frame, as 32-bit BGR pixels.
HRESULT Decode(IWICImagingFactory* factory, const char* path, ComPtr<IWICBitmapSource>& pixels) {
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    HRESULT hr = factory->CreateDecoderFromFilename(Widen(path).c_str(), nullptr, GENERIC_READ,
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

bool ImageSource::Load(const char* path) {
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
        hr = Decode(factory.Get(), path, pixels);
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
        std::fprintf(stderr, "qvl_producer: cannot read the picture %s (error 0x%08lx)\n", path,
                     static_cast<unsigned long>(hr));
        return false;
    }
    return true;
}

SourceStatus ImageSource::Next(unsigned long, qvl_frame& frame) {
    frame = DescribeFrame(picture.data(), picture.size(), width, height, QVL_BGRX);
    return SourceStatus::Frame;
}
