#pragma once
// The camera's per-user settings as the camera itself applies them.
#include "qvl_sender.h"

// Width, height and rate from the camera's settings: each value from the current user's store,
// else the machine's, else its default; a size the camera would refuse falls back to the
// default size, and a rate of 0 or less to the default rate.
qvl_camera_format ReadCameraFormat();
