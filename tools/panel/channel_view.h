#pragma once
// The camera's channel read back as the camera reads it, for the preview: the region and its
// mutex, the frame copied under the mutex into a buffer kept between paints (bottom-up BGRX at
// the camera's size) and drawn fitted into a rectangle. The copy is skipped while no frame has
// been counted in the frame signal's block since the last one (the sender library counts every
// frame it writes; a producer that does not is seen once, when the panel opens). The engine's
// thread opens it again when the format changes while the window's thread paints: each call
// holds the view's own lock.
#include "kernel_owners.h"
#include "signal_block.h"

#include <cstdint>
#include <mutex>
#include <vector>

class ChannelView {
public:
    ChannelView() = default;
    ChannelView(const ChannelView&) = delete;
    ChannelView& operator=(const ChannelView&) = delete;

    // Creates or opens the region `regionName` (made for frames of width x height if no one
    // has) and its mutex; false, with nothing held, on failure.
    bool Open(const char* regionName, int width, int height);
    void Close();
    // Draws the latest frame fitted into `where`, black around it.
    void Paint(HDC dc, const RECT& where);
    // True when a frame has been written since the last Paint copied one.
    bool Changed() const;

private:
    void CloseHeld();
    LONG Written() const;
    void CopyFrame();

    // Lock order: `lock`, then the camera's mutex (taken for the copy alone).
    mutable std::mutex lock;
    CKernelHandle mapping;
    CMappedView view;
    CKernelHandle mutex;
    SignalBlock signal;
    size_t span = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> copy;
    LONG copied = -1; // the frame count the copy was taken at
};
