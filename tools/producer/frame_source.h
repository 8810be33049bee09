#pragma once
// One source of pictures for the producer: the test pattern, raw frames on standard input, a
// still picture, or the screen. Each hands out frames of the camera's size in its own layout.
#include "qvl_sender.h"

enum class SourceStatus { Frame, End, Failed };

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills `frame` with picture n (its buffer stays the source's). End: no more pictures;
    // Failed: the source has said why on standard error.
    virtual SourceStatus Next(unsigned long n, qvl_frame& frame) = 0;
    // Seconds the latest picture took to capture, where capturing is a step of its own.
    virtual double GrabSeconds() const { return 0; }
    // A word for the progress line about the source's state; empty when all is well.
    virtual const char* Note() const { return ""; }
};

// A frame description of a buffer the source owns.
qvl_frame DescribeFrame(const void* pixels, size_t bytes, int width, int height,
                        qvl_pixel_layout layout);
