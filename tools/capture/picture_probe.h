#pragma once
// Reads the producer's test picture (marker and frame counter) from the first and the last
// frame a capture receives, and passes every frame on to the next sink, if any.
#include "sample_recorder.h"
#include "test_picture.h"

class PictureProbe : public FrameSink {
public:
    // `next` (may be null) must outlive the graph's streaming.
    PictureProbe(long width, long height, FrameSink* next);
    PictureProbe(const PictureProbe&) = delete;
    PictureProbe& operator=(const PictureProbe&) = delete;

    // On the streaming thread.
    void OnFrame(const BYTE* data, long length) override;

    // Once streaming has ended: the readings of the first and the last frame; false for a
    // frame that was not received or could not be read.
    bool First(testpicture::Reading& reading) const;
    bool Last(testpicture::Reading& reading) const;

private:
    const long width;
    const long height;
    FrameSink* const next;
    unsigned long frames = 0;
    bool firstRead = false;
    bool lastRead = false;
    testpicture::Reading first;
    testpicture::Reading last;
};
