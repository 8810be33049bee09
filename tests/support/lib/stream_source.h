#pragma once
// A source filter with one stream pin whose fill writes a running counter into each sample
// and can be told to end or fail on a given call, or to be paced like a camera.
#include "source.h"
#include "sourcestream.h"
#include "tally.h"

#include <vector>

inline constexpr CLSID CLSID_TestSource = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x20}};

// What one DecideBufferSize call was given and answered.
struct SizeDecision {
    IMemAllocator* allocator; // not counted: compare only
    ALLOCATOR_PROPERTIES props;
    HRESULT result;
};

class CTestStream : public CSourceStream {
public:
    // One RGB32 frame of 8 x 8 pixels.
    static constexpr LONG frameBytes = 8 * 8 * 4;

    CTestStream(HRESULT* phr, CSource* filter);

    HRESULT FillBuffer(IMediaSample* pSample) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT GetMediaType(COwnedMediaType* pmt) override;
    using CSourceStream::GetMediaType;
    // The stream's own type, or one of alsoAccepted.
    HRESULT CheckMediaType(const COwnedMediaType* pmt) override;
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadStartPlay() override;
    HRESULT GetNextSampleTimes(REFERENCE_TIME* pStart, REFERENCE_TIME* pStop) override;

    // Arrangement, made before connecting or streaming. Fill calls count from 1.
    LONG endAtFill = 0;  // S_FALSE on this call
    LONG failAtFill = 0; // fillFailure on this call
    HRESULT fillFailure = E_FAIL;
    int refuseAllocators = 0; // DecideBufferSize refuses this many first allocators
    // When not 0: sample n (counting from 0) is stamped [n, n + 1) x this and is paced.
    REFERENCE_TIME pacedFrameTime = 0;
    std::vector<COwnedMediaType> alsoAccepted;

    // Observations.
    Tally fills;
    Tally threadCreates;
    Tally startPlays;
    std::vector<SizeDecision> decisions;
};

// Made with reference count 0; the test takes the first reference.
class CTestSource : public CSource {
public:
    CTestSource();
    CTestStream* Stream() const { return stream; }
    IPin* OutputPin() const { return static_cast<IPin*>(stream); }
    ULONG References(); // read by an AddRef/Release pair

private:
    CTestStream* stream = nullptr;
};

// The stream's media type: RGB32 video with a VIDEOINFOHEADER.
COwnedMediaType TestStreamType();
