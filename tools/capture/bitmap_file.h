#pragma once
// Writes a captured frame (bottom-up BGRX, as the camera delivers it) as a 24-bit .bmp.
#include <windows.h>

#include <vector>

bool WriteBitmapFile(const wchar_t* path, long width, long height, const std::vector<BYTE>& bgrx);
