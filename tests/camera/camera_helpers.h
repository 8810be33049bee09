#pragma once
// What the camera tests share: COM set-up, the stream's settings in the prefix's registry, the
// camera made through the module's own class factory, and the real shared region's name.
#include "qvl_protocol.h"
#include "stream.h"

#include "com_owners.h"

#include <dshow.h>

#include <map>
#include <string>

// The region and mutex the camera uses: named by its class identifier.
inline constexpr char cameraRegionName[] = QVL_REGION_NAME;
inline constexpr DWORD cameraRegionSize = QVL_REGION_SIZE;

// Clears the stream's settings key for one test and puts back what it held before.
class CSettingsScope {
public:
    CSettingsScope();
    ~CSettingsScope();
    CSettingsScope(const CSettingsScope&) = delete;
    CSettingsScope& operator=(const CSettingsScope&) = delete;

    // Stores one REG_DWORD value (width, height or fps).
    static bool Store(const char* value, DWORD data);
    // Reads one REG_DWORD value; false when it is missing or of another type.
    static bool Stored(const char* value, DWORD* data);

private:
    std::map<std::string, DWORD> saved;
};

// The camera made as a host makes it: the module's factory, asked for IBaseFilter.
ComPtr<IBaseFilter> CreateCamera(HRESULT* hr = nullptr);
// The stream behind a camera made by CreateCamera (the test links the camera's classes).
Cqvl_Stream* StreamOf(IBaseFilter* camera);
// The camera's one pin, as the filter lists it.
ComPtr<IPin> CameraPin(IBaseFilter* camera);
bool CameraRegionExists();
// Bytes of the camera's region as mapped (whole pages), or 0 when there is none.
SIZE_T CameraRegionBytes();
