// The plain C face of the sender. No C++ runtime is needed: no exceptions, no operator new,
// so programs in C link the library with the system libraries alone.
#include "qvl_sender.h"

#include "camera_channel.h"
#include "frame_converter.h"
#include "frame_signal.h"
#include "global_feed.h"
#include "stored_settings.h"

#include <new>

struct qvl_sender {
    qvl_sender(const CameraFormat& format, unsigned timeoutMs)
        : format(format), timeoutMs(timeoutMs), channel(FrameBytes()) {
        signal.Open(QVL_REGION_NAME, false);
    }
    unsigned long long FrameBytes() const { return ::FrameBytes(format.width, format.height); }

    const CameraFormat format; // as the camera streams it
    const unsigned timeoutMs;
    CameraChannel channel;
    FrameSignal signal;
    GlobalFeed windows11; // the Windows 11 camera's channel, when it exists
};

extern "C" {

qvl_result QVL_CALL qvl_sender_open(unsigned timeout_ms, qvl_sender** sender) {
    if (sender == nullptr) {
        return QVL_INVALID_ARGUMENT;
    }
    *sender = nullptr;
    if (timeout_ms == INFINITE) {
        return QVL_INVALID_ARGUMENT; // a send must always come back
    }
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(qvl_sender));
    if (memory == nullptr) {
        return QVL_OUT_OF_MEMORY;
    }
    qvl_sender* opened = new (memory) qvl_sender(CameraFormatFor(ReadStoredSettings()), timeout_ms);
    const qvl_result result = opened->channel.Check(opened->FrameBytes());
    if (result != QVL_OK) {
        qvl_sender_close(opened);
        return result;
    }
    *sender = opened;
    return QVL_OK;
}

qvl_result QVL_CALL qvl_sender_format(const qvl_sender* sender, qvl_camera_format* format) {
    if (sender == nullptr || format == nullptr) {
        return QVL_INVALID_ARGUMENT;
    }
    // The camera's rules keep every value within an int.
    format->width = static_cast<int>(sender->format.width);
    format->height = static_cast<int>(sender->format.height);
    format->fps = static_cast<int>(sender->format.fps);
    return QVL_OK;
}

qvl_result QVL_CALL qvl_sender_send(qvl_sender* sender, const qvl_frame* frame) {
    if (sender == nullptr || frame == nullptr) {
        return QVL_INVALID_ARGUMENT;
    }
    FrameGeometry geometry;
    const qvl_result checked = CheckFrame(*frame, static_cast<int>(sender->format.width),
                                          static_cast<int>(sender->format.height), &geometry);
    if (checked != QVL_OK) {
        return checked;
    }
    sender->windows11.Look();
    {
        // An abandoned mutex is granted too: the whole frame written under it repairs whatever
        // its last owner left half done.
        const CMutexHold hold(sender->channel.Mutex(), sender->timeoutMs);
        if (!hold.Held()) {
            return QVL_TIMEOUT;
        }
        // Converting in place keeps one pass over the frame; the camera waits for it far less
        // than its own bound.
        ConvertFrame(geometry, frame->layout, frame->rows, (frame->flags & QVL_FRAME_MIRROR) != 0,
                     frame->width, frame->height, sender->channel.Region());
        sender->signal.CountFrame();
        // From the frame just written, under both mutexes (the user's camera's first). The
        // Windows 11 camera is woken as soon as its own mutex is given back: it never waits
        // for the other one.
        sender->windows11.Feed(sender->channel.Region(), sender->format.width,
                               sender->format.height, sender->timeoutMs);
    }
    // Cameras woken while the mutex is still held would only wait for it.
    sender->signal.WakeCameras();
    return QVL_OK;
}

void QVL_CALL qvl_sender_close(qvl_sender* sender) {
    if (sender != nullptr) {
        sender->~qvl_sender();
        HeapFree(GetProcessHeap(), 0, sender);
    }
}

size_t QVL_CALL qvl_bytes_per_pixel(qvl_pixel_layout layout) {
    return BytesPerPixel(layout);
}

const char* QVL_CALL qvl_result_text(qvl_result result) {
    switch (result) {
    case QVL_OK:
        return "ok";
    case QVL_INVALID_ARGUMENT:
        return "invalid argument (null pointer, unknown layout or row order, or a buffer too "
               "short for its rows)";
    case QVL_WRONG_SIZE:
        return "the frame is not the camera's size";
    case QVL_TIMEOUT:
        return "the camera's mutex stayed held past the time-out";
    case QVL_CHANNEL_FAILED:
        return "cannot create or open the camera's shared region or its mutex";
    case QVL_REGION_TOO_SMALL:
        return "the camera's shared region is too small for one frame of its size";
    case QVL_OUT_OF_MEMORY:
        return "out of memory";
    }
    return "unknown result";
}

} // extern "C"
