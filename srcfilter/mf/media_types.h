#pragma once
// The Windows 11 camera's media types, known from its format alone: RGB32 and, for even
// sizes, NV12, at the machine's size and rate, rows top-down (positive default stride).
#include "camera_format.h"

#include <mfidl.h>

// Fills `types` (room for two) and sets `*count`; each type carries one reference.
HRESULT CreateMediaTypes(const CameraFormat& format, IMFMediaType** types, DWORD* count);
// True when a picture of this size can be given as NV12 (4:2:0 needs whole 2 x 2 blocks).
bool Nv12Fits(const CameraFormat& format);
