#pragma once
// A video file, looped, decoded by the platform's own decoders (Media Foundation's source
// reader) and fitted into the camera's size as a still picture is. The clip plays at its own
// speed whatever the rate frames are asked for (clip_timeline.h). The reader is asked for
// RGB32 first; where it refuses (Wine's reader inserts decoders only, never converters) it
// gives NV12, converted here. Made, used and destroyed on one thread, on which it initialises
// COM unless the thread has already.
#include "clip_timeline.h"
#include "com_owners.h"
#include "fitting.h"
#include "frame_source.h"
#include "media_foundation_scope.h"
#include "nv12_converter.h"
#include "picture_scaler.h"

#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <string>
#include <vector>

class VideoSource : public FrameSource {
public:
    VideoSource(int width, int height);
    // Opens the file and decodes its first picture; false, with the reason in `why`, if not.
    bool Open(const std::wstring& path, std::wstring* why);
    SourceStatus Next(unsigned long n, qvl_frame& frame) override;
    // Seconds the latest frame took to decode, convert and fit.
    double GrabSeconds() const override { return decodeSeconds; }

private:
    HRESULT Request(const GUID& subtype);
    HRESULT LearnType();
    SourceStatus ReadAhead();
    HRESULT Show(IMFSample* sample);
    HRESULT Unpack(IMFMediaBuffer* buffer);
    SourceStatus Fail(const wchar_t* what, HRESULT hr);
    double Seconds() const;

    // Released in the reverse order: samples and the reader before the platform shuts down.
    CComScope com;
    MediaFoundationScope media;
    ComPtr<IMFSourceReader> reader;
    ComPtr<IMFSample> pending; // the next picture, read ahead
    std::int64_t pendingTime = 0;
    ClipTimeline timeline;

    // The decoder's pictures: the frame (with the decoder's padding) and the part shown.
    bool nv12 = false;
    int frameWidth = 0;
    int frameHeight = 0;
    int shownWidth = 0;
    int shownHeight = 0;
    LONG stride = 0; // 0: not given
    YuvMatrix matrix = YuvMatrix::Bt601;
    bool fullRange = false;

    // The frame, and the converted picture at the clip's size where it must be scaled into
    // it; both made again only when a size changes.
    int width;
    int height;
    std::vector<std::uint8_t> frame; // BGRX, top-down
    Placement placement;
    std::vector<std::uint8_t> picture;
    PictureScaler scaler;
    LARGE_INTEGER frequency;
    double decodeSeconds = 0;
};
