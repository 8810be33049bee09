#pragma once
// The camera's three settings as stored in the registry, read without a configuration
// library: each value from the current user's key, else the machine's, else its default,
// exactly where the camera's own store looks. Nothing is written back on reading.
#include "camera_format.h"

#include <windows.h>

CameraFormat ReadStoredSettings();
// The machine's three values alone (HKEY_LOCAL_MACHINE, 64-bit registry view, each missing one
// its default): all a service can read, since the user's hive is not its own. The Windows 11
// camera streams CameraFormatFor of them.
CameraFormat ReadMachineSettings();
// Stores all three values for the current user; ERROR_SUCCESS or the registry's error.
LONG WriteUserSettings(const CameraFormat& format);
// Stores `format` for the current user if the camera takes it (FrameSizeAllowed, RateAllowed):
// ERROR_SUCCESS, ERROR_INVALID_DATA with nothing stored, or the registry's error.
LONG StoreUserFormat(const CameraFormat& format);
