#include "bitmap.h"

#include <cguid.h>
#include <uuids.h>

#include <cstring>

DWORD BitmapImageSize(const BITMAPINFOHEADER* header) {
    // Rows are padded to whole 32-bit words; the arithmetic wraps, callers bound the sizes.
    const DWORD bitsPerRow = static_cast<DWORD>(header->biWidth) * header->biBitCount + 31;
    const DWORD stride = (bitsPerRow & ~DWORD{31}) / 8;
    const DWORD size = stride * static_cast<DWORD>(header->biHeight);
    // A top-down bitmap (negative height) occupies as much as a bottom-up one.
    return header->biHeight < 0 ? DWORD{0} - size : size;
}

GUID SubtypeForBitmap(const BITMAPINFOHEADER* header) {
    if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS) {
        // FOURCC subtypes share the base {XXXXXXXX-0000-0010-8000-00AA00389B71}.
        return GUID{header->biCompression,
                    0x0000,
                    0x0010,
                    {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    }
    switch (header->biBitCount) {
    case 1:
        return MEDIASUBTYPE_RGB1;
    case 4:
        return MEDIASUBTYPE_RGB4;
    case 8:
        return MEDIASUBTYPE_RGB8;
    case 16:
        return SubtypeFor16BitBitmap(header);
    case 24:
        return MEDIASUBTYPE_RGB24;
    case 32:
        return MEDIASUBTYPE_RGB32;
    default:
        return GUID_NULL;
    }
}

GUID SubtypeFor16BitBitmap(const BITMAPINFOHEADER* header) {
    if (header->biCompression == BI_RGB) {
        return MEDIASUBTYPE_RGB555;
    }
    // The red, green and blue masks follow the header directly.
    DWORD masks[3];
    std::memcpy(masks, header + 1, sizeof(masks));
    if (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) {
        return MEDIASUBTYPE_RGB555;
    }
    if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
        return MEDIASUBTYPE_RGB565;
    }
    return GUID_NULL;
}
