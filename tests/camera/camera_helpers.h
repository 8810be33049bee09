#pragma once
// What the camera tests share: the camera made through the module's own class factory, its
// stream and pin, and the real shared region's name (COM scope and settings scope come from
// the shared owners and tools).
#include "qvl_protocol.h"
#include "stream.h"

#include "com_owners.h"
#include "settings_scope.h"

#include <dshow.h>

// The region and mutex the camera uses: named by its class identifier.
inline constexpr char cameraRegionName[] = QVL_REGION_NAME;
inline constexpr DWORD cameraRegionSize = QVL_REGION_SIZE;

// The camera made as a host makes it: the module's factory, asked for IBaseFilter.
ComPtr<IBaseFilter> CreateCamera(HRESULT* hr = nullptr);
// The stream behind a camera made by CreateCamera (the test links the camera's classes).
Cqvl_Stream* StreamOf(IBaseFilter* camera);
// The camera's one pin, as the filter lists it.
ComPtr<IPin> CameraPin(IBaseFilter* camera);
bool CameraRegionExists();
// Bytes of the camera's region as mapped (whole pages), or 0 when there is none.
SIZE_T CameraRegionBytes();
