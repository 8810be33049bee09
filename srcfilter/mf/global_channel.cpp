#include "global_channel.h"

#include "channel_objects.h"
#include "qvl_protocol.h"

bool GlobalChannel::Open(const CameraFormat& format) {
    if (frame != nullptr) {
        return true;
    }
    const unsigned long long bytes = QVL_MF_FRAME_OFFSET + FrameBytes(format.width, format.height);
    // Frames are at most QVL_MAX_FRAME_BYTES: the sum fits 32 bits.
    mapping.Reset(CreateOrOpenRegion(QVL_MF_REGION_NAME, static_cast<DWORD>(bytes),
                                     security.For(GlobalObjectSecurity::mapping)));
    mutex.Reset(CreateOrOpenMutex(QVL_MF_REGION_NAME, security.For(GlobalObjectSecurity::mutex)));
    if (mapping.Get() == nullptr || mutex.Get() == nullptr || !view.Map(mapping.Get()) ||
        view.Span() < bytes || !Adopt(format)) {
        view.Reset();
        return false;
    }
    // Without the signal the camera paces by its own clock.
    signal.Open(QVL_MF_REGION_NAME, security.For(GlobalObjectSecurity::mapping),
                security.For(GlobalObjectSecurity::event));
    return true;
}

bool GlobalChannel::Adopt(const CameraFormat& format) {
    const CMutexHold held(mutex.Get(), QVL_CAMERA_MUTEX_WAIT_MS);
    if (!held.Held()) {
        return false;
    }
    qvl_mf_header* header = reinterpret_cast<qvl_mf_header*>(view.Get());
    if (header->magic != static_cast<long>(QVL_MF_MAGIC)) {
        header->width = format.width;
        header->height = format.height;
        header->fps = format.fps;
        // The magic last: a producer that sees it sees the rest.
        InterlockedExchange(&header->magic, static_cast<long>(QVL_MF_MAGIC));
    } else if (header->width != format.width || header->height != format.height) {
        return false;
    }
    frame = view.Get() + QVL_MF_FRAME_OFFSET;
    return true;
}

const std::uint8_t* GlobalChannel::Lock(HANDLE interrupt, bool* interrupted) {
    *interrupted = false;
    if (frame == nullptr) {
        return nullptr;
    }
    return hold.Acquire(mutex.Get(), QVL_CAMERA_MUTEX_WAIT_MS, &interrupt, 1, interrupted)
               ? frame
               : nullptr;
}
