#include "video_source.h"

#include <mferror.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

const DWORD videoStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);

// A buffer's bytes, locked for one scope: as rows of a pitch where the buffer is
// two-dimensional, else as one run of bytes.
class BufferLock {
public:
    explicit BufferLock(IMFMediaBuffer* buffer) {
        if (SUCCEEDED(buffer->QueryInterface(IID_PPV_ARGS(&twoD))) &&
            SUCCEEDED(twoD->Lock2D(&bytes, &pitch))) {
            return;
        }
        twoD.Reset();
        if (SUCCEEDED(buffer->Lock(&bytes, nullptr, &length))) {
            plain = buffer;
        }
    }
    ~BufferLock() {
        if (twoD) {
            twoD->Unlock2D();
        } else if (plain) {
            plain->Unlock();
        }
    }
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;

    bool Locked() const { return twoD || plain; }
    bool TwoDimensional() const { return static_cast<bool>(twoD); }
    BYTE* Bytes() const { return bytes; }
    LONG Pitch() const { return pitch; }    // two-dimensional only
    DWORD Length() const { return length; } // one run only

private:
    ComPtr<IMF2DBuffer> twoD;
    ComPtr<IMFMediaBuffer> plain;
    BYTE* bytes = nullptr;
    LONG pitch = 0;
    DWORD length = 0;
};

} // namespace

VideoSource::VideoSource(int width, int height)
    : width(width), height(height),
      frame(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0) {
    QueryPerformanceFrequency(&frequency);
}

double VideoSource::Seconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HRESULT VideoSource::Request(const GUID& subtype) {
    ComPtr<IMFMediaType> type;
    HRESULT hr = MFCreateMediaType(&type);
    if (SUCCEEDED(hr)) {
        hr = type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    }
    if (SUCCEEDED(hr)) {
        hr = type->SetGUID(MF_MT_SUBTYPE, subtype);
    }
    return SUCCEEDED(hr) ? reader->SetCurrentMediaType(videoStream, nullptr, type.Get()) : hr;
}

HRESULT VideoSource::LearnType() {
    ComPtr<IMFMediaType> type;
    HRESULT hr = reader->GetCurrentMediaType(videoStream, &type);
    UINT32 w = 0;
    UINT32 h = 0;
    if (SUCCEEDED(hr)) {
        hr = MFGetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, &w, &h);
    }
    if (SUCCEEDED(hr) && (w == 0 || h == 0 || w > 16384 || h > 16384)) {
        hr = MF_E_INVALIDMEDIATYPE;
    }
    if (FAILED(hr)) {
        return hr;
    }
    frameWidth = static_cast<int>(w);
    frameHeight = static_cast<int>(h);
    // The decoder's padding (1080 lines decoded as 1088) is not shown.
    MFVideoArea aperture = {};
    int showW = frameWidth;
    int showH = frameHeight;
    if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&aperture),
                                sizeof(aperture), nullptr)) &&
        aperture.Area.cx > 0 && aperture.Area.cy > 0) {
        showW = aperture.Area.cx < showW ? aperture.Area.cx : showW;
        showH = aperture.Area.cy < showH ? aperture.Area.cy : showH;
    }
    stride = static_cast<LONG>(MFGetAttributeUINT32(type.Get(), MF_MT_DEFAULT_STRIDE, 0));
    // Without a stated matrix, high definition is BT.709 and standard definition BT.601.
    const UINT32 stated =
        MFGetAttributeUINT32(type.Get(), MF_MT_YUV_MATRIX, MFVideoTransferMatrix_Unknown);
    matrix = stated == MFVideoTransferMatrix_BT709   ? YuvMatrix::Bt709
             : stated == MFVideoTransferMatrix_BT601 ? YuvMatrix::Bt601
             : showH >= 720                          ? YuvMatrix::Bt709
                                                     : YuvMatrix::Bt601;
    fullRange = MFGetAttributeUINT32(type.Get(), MF_MT_VIDEO_NOMINAL_RANGE,
                                     MFNominalRange_16_235) == MFNominalRange_0_255;
    if (showW != shownWidth || showH != shownHeight) {
        shownWidth = showW;
        shownHeight = showH;
        placement =
            FitCentred(static_cast<unsigned>(showW), static_cast<unsigned>(showH), width, height);
        std::fill(frame.begin(), frame.end(), 0);
        const bool scaled = placement.width != showW || placement.height != showH;
        scaler.Prepare(showW, showH, placement.width, placement.height);
        picture.assign(scaled && nv12 ? static_cast<size_t>(showW) * showH * 4 : 0, 0);
    }
    return S_OK;
}

bool VideoSource::Open(const std::wstring& path, std::wstring* why) {
    ComPtr<IMFAttributes> attributes;
    HRESULT hr = media.Result();
    if (SUCCEEDED(hr)) {
        hr = MFCreateAttributes(&attributes, 1);
    }
    if (SUCCEEDED(hr)) {
        // Lets Windows' reader convert to RGB32 itself.
        hr = attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
    }
    if (SUCCEEDED(hr)) {
        hr = MFCreateSourceReaderFromURL(path.c_str(), attributes.Get(), &reader);
    }
    // Only the first video stream is decoded: no sound, no other picture streams.
    if (SUCCEEDED(hr)) {
        reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
        hr = reader->SetStreamSelection(videoStream, TRUE);
    }
    if (SUCCEEDED(hr)) {
        hr = Request(MFVideoFormat_RGB32);
        nv12 = FAILED(hr);
        if (nv12) {
            hr = Request(MFVideoFormat_NV12);
        }
    }
    if (SUCCEEDED(hr)) {
        hr = LearnType();
    }
    if (FAILED(hr)) {
        wchar_t error[32];
        std::swprintf(error, 32, L" (error 0x%08lx)", static_cast<unsigned long>(hr));
        *why = L"cannot play the video " + path + error;
        reader.Reset();
        return false;
    }
    // The first picture now, so that a file that opens but does not decode is told at once.
    if (ReadAhead() != SourceStatus::Frame) {
        *why = WideNote() + L": " + path;
        return false;
    }
    return true;
}

SourceStatus VideoSource::Fail(const wchar_t* what, HRESULT hr) {
    wchar_t text[96];
    std::swprintf(text, 96, L"%ls (error 0x%08lx)", what, static_cast<unsigned long>(hr));
    SetNote(text);
    return SourceStatus::Failed;
}

SourceStatus VideoSource::ReadAhead() {
    // Gaps in the stream come without a sample; an end met twice without a picture between
    // means a clip with no pictures, which would loop for ever.
    int ends = 0;
    for (int reads = 0; reads < 1000 && ends < 2; ++reads) {
        DWORD flags = 0;
        LONGLONG timestamp = 0;
        ComPtr<IMFSample> sample;
        HRESULT hr = reader->ReadSample(videoStream, 0, nullptr, &flags, &timestamp, &sample);
        if (FAILED(hr) || (flags & MF_SOURCE_READERF_ERROR) != 0) {
            return Fail(L"the video cannot be decoded", FAILED(hr) ? hr : E_FAIL);
        }
        if ((flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) != 0 && FAILED(hr = LearnType())) {
            return Fail(L"the video's pictures changed to a kind that cannot be shown", hr);
        }
        if ((flags & MF_SOURCE_READERF_ENDOFSTREAM) != 0) {
            ++ends;
            PROPVARIANT start;
            PropVariantInit(&start);
            start.vt = VT_I8;
            start.hVal.QuadPart = 0;
            if (FAILED(hr = reader->SetCurrentPosition(GUID_NULL, start))) {
                return Fail(L"the video cannot start again", hr);
            }
            timeline.Looped();
            continue;
        }
        if (sample) {
            LONGLONG duration = 0;
            sample->GetSampleDuration(&duration);
            pendingTime = timeline.Place(timestamp, duration);
            pending = std::move(sample);
            return SourceStatus::Frame;
        }
    }
    SetNote(L"the video has no pictures");
    return SourceStatus::Failed;
}

HRESULT VideoSource::Unpack(IMFMediaBuffer* buffer) {
    const BufferLock lock(buffer);
    if (!lock.Locked()) {
        return E_FAIL;
    }
    // Rows are as far apart as the buffer or the type says, else packed.
    const LONG packed = nv12 ? frameWidth : frameWidth * 4;
    const LONG pitch = lock.TwoDimensional() ? lock.Pitch() : stride != 0 ? stride : packed;
    const LONG rowBytes = pitch < 0 ? -pitch : pitch;
    if (rowBytes < (nv12 ? shownWidth : shownWidth * 4)) {
        return MF_E_BUFFERTOOSMALL;
    }
    // NV12's second plane follows the first's rows, padding included: the frame's height where
    // the buffer has rows, else what its length holds.
    const DWORD runRows = lock.Length() / static_cast<DWORD>(rowBytes);
    const int planeRows =
        lock.TwoDimensional() ? frameHeight : static_cast<int>(nv12 ? runRows * 2 / 3 : runRows);
    if (planeRows < shownHeight) {
        return MF_E_BUFFERTOOSMALL;
    }
    // A negative pitch: rows run bottom-up in memory. Lock2D points at the top row already.
    const BYTE* top = lock.TwoDimensional() || pitch > 0
                          ? lock.Bytes()
                          : lock.Bytes() + static_cast<std::ptrdiff_t>(planeRows - 1) * rowBytes;
    // Into the frame where the picture fits as it is, else converted first and then scaled.
    const std::ptrdiff_t framePitch = static_cast<std::ptrdiff_t>(width) * 4;
    std::uint8_t* place = frame.data() + placement.y * framePitch + placement.x * 4;
    const bool scaled = placement.width != shownWidth || placement.height != shownHeight;
    if (nv12) {
        const Nv12Picture yuv = {
            top,   pitch,      top + static_cast<std::ptrdiff_t>(planeRows) * pitch,
            pitch, shownWidth, shownHeight};
        const std::ptrdiff_t picturePitch = static_cast<std::ptrdiff_t>(shownWidth) * 4;
        Nv12ToBgrx(yuv, matrix, fullRange, scaled ? picture.data() : place,
                   scaled ? picturePitch : framePitch);
        if (scaled) {
            scaler.Scale(picture.data(), picturePitch, place, framePitch);
        }
    } else if (scaled) {
        scaler.Scale(top, pitch, place, framePitch);
    } else {
        for (int row = 0; row < shownHeight; ++row) {
            std::memcpy(place + row * framePitch, top + static_cast<std::ptrdiff_t>(row) * pitch,
                        static_cast<size_t>(shownWidth) * 4);
        }
    }
    return S_OK;
}

HRESULT VideoSource::Show(IMFSample* sample) {
    ComPtr<IMFMediaBuffer> buffer;
    DWORD count = 0;
    HRESULT hr = sample->GetBufferCount(&count);
    if (SUCCEEDED(hr)) {
        hr = count == 1 ? sample->GetBufferByIndex(0, &buffer)
                        : sample->ConvertToContiguousBuffer(&buffer);
    }
    return SUCCEEDED(hr) ? Unpack(buffer.Get()) : hr;
}

SourceStatus VideoSource::Next(unsigned long, qvl_frame& out) {
    if (!reader) {
        return Fail(L"the video is not open", E_UNEXPECTED);
    }
    const double begun = Seconds();
    const auto clock = static_cast<std::int64_t>(begun * 1e7);
    // The latest picture that is due; those before it are decoded but never shown.
    ComPtr<IMFSample> due;
    while (timeline.Due(pendingTime, clock)) {
        due = std::move(pending);
        const SourceStatus read = ReadAhead();
        if (read != SourceStatus::Frame) {
            return read;
        }
    }
    if (due) {
        const HRESULT hr = Show(due.Get());
        if (FAILED(hr)) {
            return Fail(L"a picture of the video cannot be shown", hr);
        }
    }
    decodeSeconds = Seconds() - begun;
    out = DescribeFrame(frame.data(), frame.size(), width, height, QVL_BGRX);
    return SourceStatus::Frame;
}
