#pragma once
// The camera's format rules, shared by the camera, the sender library and qvl_register: which
// stored sizes and rates the camera takes, what it falls back to, and what a frame and the
// region it lives in measure. Plain functions, no C++ runtime: the sender links them into C
// programs.

// Size and rate as stored or as the camera streams them.
struct CameraFormat {
    long width;
    long height;
    long fps;
};

// Bytes of one frame in the camera's layout; 0 for a non-positive side.
unsigned long long FrameBytes(long width, long height);
// A size whose frame the camera makes a region for: both sides positive, the frame within
// QVL_MAX_FRAME_BYTES (which also keeps every size within 32 bits).
bool FrameSizeAllowed(long width, long height);
// A rate whose frame time is at least one 100-ns unit.
bool RateAllowed(long fps);
// The format the camera streams for the stored values: a size it refuses gives the default
// size, a rate it refuses the default rate.
CameraFormat CameraFormatFor(const CameraFormat& stored);
// "WxH@FPS", or "WxH" keeping `format`'s rate: true, with the numbers in `format`, when the
// text has that shape (whether the camera takes them is the rules' matter above).
bool ParseCameraFormat(const wchar_t* text, CameraFormat* format);
// Bytes to ask for when a region is created for frames of `frameBytes`: the protocol's size,
// or one frame if that is more.
unsigned long RegionCreationSize(unsigned long long frameBytes);
