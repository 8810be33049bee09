#pragma once
// Image size and media subtype of a bitmap header.
#include <windows.h>

DWORD BitmapImageSize(const BITMAPINFOHEADER* header);
GUID SubtypeForBitmap(const BITMAPINFOHEADER* header);
GUID SubtypeFor16BitBitmap(const BITMAPINFOHEADER* header);
