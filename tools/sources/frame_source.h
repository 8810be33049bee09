#pragma once
// One source of pictures for the camera: the test pattern, raw frames on standard input, a
// still picture, a video file or the screen. Each hands out frames of the camera's size in its
// own layout.
#include "qvl_sender.h"

#include <string>

enum class SourceStatus { Frame, End, Failed };

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills `frame` with picture n (its buffer stays the source's). End: no more pictures;
    // Failed: the note says why.
    virtual SourceStatus Next(unsigned long n, qvl_frame& frame) = 0;
    // Seconds the latest picture took to capture, where capturing is a step of its own.
    virtual double GrabSeconds() const { return 0; }
    // A word about the source's state, in UTF-8 for a console line; empty when all is well.
    virtual const char* Note() const { return note.c_str(); }
    // The same note with every character of titles and paths, for a window's text.
    const std::wstring& WideNote() const { return wideNote; }
    // True while what the source shows has gone (a window closed, a monitor removed).
    virtual bool Gone() const { return false; }

protected:
    // Called on a change of state only, so that nothing is allocated per frame.
    void SetNote(const std::wstring& text);

private:
    std::wstring wideNote;
    std::string note;
};

// A frame description of a buffer the source owns.
qvl_frame DescribeFrame(const void* pixels, size_t bytes, int width, int height,
                        qvl_pixel_layout layout);
