#include "bitmap_file.h"

#include <cstdio>

// 24 bits per pixel: readers treat the fourth byte of a 32-bit BI_RGB bitmap inconsistently
// (some as alpha), and the camera leaves it zero.
bool WriteBitmapFile(const wchar_t* path, long width, long height, const std::vector<BYTE>& bgrx) {
    if (width <= 0 || height <= 0 ||
        bgrx.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        return false;
    }
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    const size_t imageSize = stride * static_cast<size_t>(height);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + imageSize);
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height; // bottom-up, as the frame already is
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(imageSize);
    std::vector<BYTE> image(imageSize, 0);
    for (long y = 0; y < height; ++y) {
        const BYTE* from = bgrx.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
        BYTE* to = image.data() + static_cast<size_t>(y) * stride;
        for (long x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
    FILE* out = _wfopen(path, L"wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
                         std::fwrite(&info, sizeof(info), 1, out) == 1 &&
                         std::fwrite(image.data(), 1, image.size(), out) == image.size();
    return std::fclose(out) == 0 && written;
}
