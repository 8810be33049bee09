#include "channel_view.h"

#include "camera_format.h"
#include "channel_objects.h"
#include "fitting.h"

namespace {

// A paint never waits long for a producer's write: the last copy is drawn instead.
const DWORD mutexWaitMs = 20;

} // namespace

bool ChannelView::Open(const char* regionName, int newWidth, int newHeight) {
    const std::lock_guard<std::mutex> guard(lock);
    CloseHeld();
    const unsigned long long frameBytes = FrameBytes(newWidth, newHeight);
    mapping.Reset(CreateOrOpenRegion(regionName, RegionCreationSize(frameBytes)));
    mutex.Reset(CreateOrOpenMutex(regionName));
    if (mapping.Get() == nullptr || mutex.Get() == nullptr || !view.Map(mapping.Get())) {
        CloseHeld();
        return false;
    }
    // The region may be older than the format and smaller than a frame: copy what it holds.
    span = view.Span();
    signal.Open(regionName);
    width = newWidth;
    height = newHeight;
    copy.assign(static_cast<size_t>(frameBytes), 0);
    copied = -1;
    return true;
}

void ChannelView::Close() {
    const std::lock_guard<std::mutex> guard(lock);
    CloseHeld();
}

void ChannelView::CloseHeld() {
    signal.Close();
    view.Reset();
    mapping.Reset();
    mutex.Reset();
    span = 0;
}

LONG ChannelView::Written() const {
    return signal.Get() != nullptr ? signal.Get()->sequence : 0;
}

bool ChannelView::Changed() const {
    const std::lock_guard<std::mutex> guard(lock);
    return view.Get() != nullptr && Written() != copied;
}

void ChannelView::CopyFrame() {
    const LONG written = Written();
    if (view.Get() == nullptr || written == copied) {
        return;
    }
    const CMutexHold hold(mutex.Get(), mutexWaitMs);
    if (!hold.Held()) {
        return;
    }
    CopyMemory(copy.data(), view.Get(), copy.size() < span ? copy.size() : span);
    copied = written;
}

void ChannelView::Paint(HDC dc, const RECT& where) {
    const std::lock_guard<std::mutex> guard(lock);
    const int areaWidth = where.right - where.left;
    const int areaHeight = where.bottom - where.top;
    if (copy.empty() || areaWidth <= 0 || areaHeight <= 0) {
        FillRect(dc, &where, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    CopyFrame();
    const Placement place = FitCentred(static_cast<unsigned>(width), static_cast<unsigned>(height),
                                       areaWidth, areaHeight);
    // Black bars beside or above and below the picture, never under it (no flicker).
    const RECT bars[2] = {
        {where.left, where.top, place.height == areaHeight ? where.left + place.x : where.right,
         place.height == areaHeight ? where.bottom : where.top + place.y},
        {place.height == areaHeight ? where.left + place.x + place.width : where.left,
         place.height == areaHeight ? where.top : where.top + place.y + place.height, where.right,
         where.bottom}};
    for (const RECT& bar : bars) {
        FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // positive: bottom-up, as the camera delivers it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, where.left + place.x, where.top + place.y, place.width, place.height, 0, 0,
                  width, height, copy.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}
