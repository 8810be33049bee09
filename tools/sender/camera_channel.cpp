#include "camera_channel.h"

#include "qvl_protocol.h"

namespace {
// A region this side makes is as big as the camera would make it. Frames are at most
// QVL_MAX_FRAME_BYTES, well within 32 bits.
DWORD CreationSize(unsigned long long frameBytes) {
    return frameBytes > QVL_REGION_SIZE ? static_cast<DWORD>(frameBytes) : QVL_REGION_SIZE;
}
} // namespace

CameraChannel::CameraChannel(unsigned long long frameBytes)
    // An existing region keeps the size its creator gave it; the handle returned for it
    // serves as well as one opened by name.
    : mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 CreationSize(frameBytes), QVL_REGION_NAME)),
      view(mapping.Get()), mutex(CreateMutexA(nullptr, FALSE, QVL_MUTEX_NAME)) {}

qvl_result CameraChannel::Check(unsigned long long frameBytes) const {
    if (view.Get() == nullptr || mutex.Get() == nullptr) {
        return QVL_CHANNEL_FAILED;
    }
    return view.Span() < frameBytes ? QVL_REGION_TOO_SMALL : QVL_OK;
}
