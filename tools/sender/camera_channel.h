#pragma once
// The producer's end of the camera's channel: the named region, mapped whole, and its mutex.
#include "kernel_owners.h"
#include "qvl_sender.h"

#include <cstddef>
#include <cstdint>

class CameraChannel {
public:
    // Creates the region, big enough for `frameBytes`, and the mutex, or opens the camera's if
    // it came first.
    explicit CameraChannel(unsigned long long frameBytes);
    CameraChannel(const CameraChannel&) = delete;
    CameraChannel& operator=(const CameraChannel&) = delete;

    // QVL_OK when the channel is open and its region holds `frameBytes`.
    qvl_result Check(unsigned long long frameBytes) const;
    std::uint8_t* Region() const { return view.Get(); }
    HANDLE Mutex() const { return mutex.Get(); }

private:
    CKernelHandle mapping;
    CMappedView view;
    CKernelHandle mutex;
};
