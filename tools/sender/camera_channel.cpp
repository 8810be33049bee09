#include "camera_channel.h"

#include "camera_format.h"
#include "channel_objects.h"
#include "qvl_protocol.h"

CameraChannel::CameraChannel(unsigned long long frameBytes)
    : mapping(CreateOrOpenRegion(QVL_REGION_NAME, RegionCreationSize(frameBytes))),
      view(mapping.Get()), mutex(CreateOrOpenMutex(QVL_REGION_NAME)) {}

qvl_result CameraChannel::Check(unsigned long long frameBytes) const {
    if (view.Get() == nullptr || mutex.Get() == nullptr) {
        return QVL_CHANNEL_FAILED;
    }
    return view.Span() < frameBytes ? QVL_REGION_TOO_SMALL : QVL_OK;
}
