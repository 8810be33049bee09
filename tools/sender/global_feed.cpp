#include "global_feed.h"

#include "camera_format.h"
#include "channel_objects.h"
#include "fitting.h"
#include "qvl_protocol.h"

#include <cstring>

void GlobalFeed::Look() {
    if (target != nullptr) {
        return;
    }
    const unsigned long long now = GetTickCount64();
    if (looked && now - lastLook < QVL_MF_LOOK_INTERVAL_MS) {
        return;
    }
    looked = true;
    lastLook = now;
    if (!Open()) {
        Close();
    }
}

bool GlobalFeed::Open() {
    mapping.Reset(OpenRegion(QVL_MF_REGION_NAME));
    mutex.Reset(OpenChannelMutex(QVL_MF_REGION_NAME));
    if (mapping.Get() == nullptr || mutex.Get() == nullptr || !view.Map(mapping.Get()) ||
        view.Span() < sizeof(qvl_mf_header)) {
        return false;
    }
    const qvl_mf_header* header = reinterpret_cast<const qvl_mf_header*>(view.Get());
    if (header->magic != static_cast<long>(QVL_MF_MAGIC) ||
        !FrameSizeAllowed(header->width, header->height) ||
        view.Span() < QVL_MF_FRAME_OFFSET + FrameBytes(header->width, header->height)) {
        return false;
    }
    targetWidth = header->width;
    targetHeight = header->height;
    signal.Open(QVL_MF_REGION_NAME, true);
    target = view.Get() + QVL_MF_FRAME_OFFSET;
    return true;
}

void GlobalFeed::Close() {
    target = nullptr;
    signal.Close();
    view.Reset();
    mapping.Reset();
    mutex.Reset();
}

bool GlobalFeed::Feed(const std::uint8_t* frame, long width, long height, unsigned timeoutMs) {
    if (target == nullptr) {
        return false;
    }
    {
        const CMutexHold hold(mutex.Get(), timeoutMs);
        if (!hold.Held()) {
            return false; // this camera misses the frame; the user's camera has it
        }
        FitFrame(frame, width, height, target, targetWidth, targetHeight);
        signal.CountFrame();
    }
    signal.WakeCameras();
    return true;
}

void FitFrame(const std::uint8_t* frame, long width, long height, std::uint8_t* target,
              long targetWidth, long targetHeight) {
    const size_t targetRow = static_cast<size_t>(targetWidth) * 4;
    if (width == targetWidth && height == targetHeight) {
        for (long y = 0; y < height; ++y) {
            std::memcpy(target + y * targetRow, frame + (height - 1 - y) * targetRow, targetRow);
        }
        return;
    }
    const Placement place = FitCentred(static_cast<unsigned>(width), static_cast<unsigned>(height),
                                       targetWidth, targetHeight);
    // Source steps in 16.16 fixed point: no division per pixel.
    const unsigned long long stepX = (static_cast<unsigned long long>(width) << 16) / place.width;
    const unsigned long long stepY = (static_cast<unsigned long long>(height) << 16) / place.height;
    // Picture rows are counted from the top: the source's bottom-up, the target's in order.
    for (long y = 0; y < targetHeight; ++y) {
        std::uint8_t* row = target + static_cast<size_t>(y) * targetRow;
        const long inside = y - place.y;
        if (inside < 0 || inside >= place.height) {
            std::memset(row, 0, targetRow);
            continue;
        }
        const long sourceY = static_cast<long>((inside * stepY) >> 16);
        const std::uint8_t* source =
            frame + static_cast<size_t>(height - 1 - sourceY) * static_cast<size_t>(width) * 4;
        std::memset(row, 0, static_cast<size_t>(place.x) * 4);
        for (long x = 0; x < place.width; ++x) {
            std::memcpy(row + (place.x + x) * 4, source + ((x * stepX) >> 16) * 4, 4);
        }
        const long right = place.x + place.width;
        std::memset(row + right * 4, 0, static_cast<size_t>(targetWidth - right) * 4);
    }
}
