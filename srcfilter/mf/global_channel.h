#pragma once
// The Windows 11 camera's end of its channel (qvl_protocol.h, steps 8 to 11): the Global
// region with its header and frame, its mutex and its frame signal, created with the security
// descriptor that lets the interactive user's producer in, or opened when another instance of
// the camera made them. All but Open are for the streaming thread alone.
#include "camera_format.h"
#include "framesignal.h"
#include "global_security.h"
#include "kernel_owners.h"

#include <cstdint>

class GlobalChannel {
public:
    GlobalChannel() = default;
    GlobalChannel(const GlobalChannel&) = delete;
    GlobalChannel& operator=(const GlobalChannel&) = delete;

    // Creates or opens the objects for frames of `format` and writes the header if no one has.
    // False (the camera then shows black) when they cannot be had, or when a region made
    // earlier for another format is still held.
    bool Open(const CameraFormat& format);
    bool IsOpen() const { return frame != nullptr; }

    // Waits for the producer's mutex, at most QVL_CAMERA_MUTEX_WAIT_MS, or until `interrupt`
    // is set (then `*interrupted`); the frame while held, else null.
    const std::uint8_t* Lock(HANDLE interrupt, bool* interrupted);
    void Unlock() { hold.Release(); }

    // The frame signal, claimed while a run streams.
    Cqvl_FrameSignal& Signal() { return signal; }

private:
    bool Adopt(const CameraFormat& format);

    GlobalObjectSecurity security;
    // Declared so that the mutex is given back before its handle closes, and the view goes
    // before the mapping.
    CKernelHandle mapping;
    CKernelHandle mutex;
    CMappedView view;
    CMutexHold hold;
    Cqvl_FrameSignal signal;
    const std::uint8_t* frame = nullptr;
};
