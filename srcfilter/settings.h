#pragma once
// The stream's three per-user settings, read from the configuration store with their
// defaults (missing values are written back).
#include "camera_format.h"

CameraFormat ReadStreamSettings();
