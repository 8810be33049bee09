#include "picture_probe.h"

PictureProbe::PictureProbe(long width, long height, FrameSink* next)
    : width(width), height(height), next(next) {}

void PictureProbe::OnFrame(const BYTE* data, long length) {
    const size_t bytes = length > 0 ? static_cast<size_t>(length) : 0;
    lastRead = testpicture::Read(data, bytes, width, height, last);
    if (frames++ == 0) {
        firstRead = lastRead;
        first = last;
    }
    if (next != nullptr) {
        next->OnFrame(data, length);
    }
}

bool PictureProbe::First(testpicture::Reading& reading) const {
    reading = first;
    return firstRead;
}

bool PictureProbe::Last(testpicture::Reading& reading) const {
    reading = last;
    return lastRead;
}
