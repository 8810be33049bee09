#pragma once
// The benchmark's cases that stream the camera through the platform's graph. Each prints a
// readable row and one machine-readable "bench:" line; false when the case could not run.
#include "bench_support.h"

namespace bench {

// Flat out without a clock, against the rate a bare copy of the frame allows.
bool RunFree(const CameraModule& module, DWORD width, DWORD height);
// Handles and process memory before and after 10,000 frames.
bool RunSteady(const CameraModule& module, DWORD width, DWORD height);
// Paced by the graph's clock into the grabber alone, as a capture program's graph: the
// process's processor time per second of streaming.
bool RunPaced(const CameraModule& module, DWORD width, DWORD height, DWORD fps);
// System calls per frame on the streaming thread: the camera's own, counted in its imports,
// and, with the trace of the Wine server that served the run, every request the thread made.
bool RunWaits(const CameraModule& module, bool paced, const char* serverTrace);
// The age of the picture: producer's write to the grabber's callback, at the camera's rate,
// with a producer that signals each frame or one that does not.
bool RunAge(const CameraModule& module, DWORD width, DWORD height, DWORD fps, bool signals);

} // namespace bench
