#pragma once
// The camera's per-user settings as the camera itself applies them.
#include "qvl_sender.h"

// Width, height and rate from the camera's settings: each value from the current user's store,
// else the machine's, else its default; a size or a rate the camera would refuse falls back to
// its default, as the camera's own does.
qvl_camera_format ReadCameraFormat();

// Bytes of one frame of the format in the camera's layout.
unsigned long long FrameBytes(const qvl_camera_format& format);
