#pragma once
// The picture the camera shows while paused or before the source's first frame, never black:
// the panel's own (a calm grey with the camera's name and a word on its state, drawn with GDI
// into a buffer made once per size) or the user's picture, fitted as any picture is.
#include "frame_source.h"
#include "gdi_owners.h"

#include <memory>
#include <string>

class IdlePicture {
public:
    IdlePicture();
    IdlePicture(const IdlePicture&) = delete;
    IdlePicture& operator=(const IdlePicture&) = delete;

    // Makes the picture at `width` x `height`: the user's picture at `path`, or with `path`
    // empty (or unreadable, Problem() then saying why) the plain one with `caption` under the
    // camera's name. Only when the size, the path or the caption differs from the last call.
    void Make(int width, int height, const std::wstring& path, const wchar_t* caption);
    // Why the user's picture is not shown; empty when it is, or none was asked for.
    const std::wstring& Problem() const { return problem; }
    // The picture as a frame for the sender; its pixels stay here until the next Make.
    const qvl_frame& Frame() const { return frame; }
    bool Ready() const { return frame.pixels != nullptr; }

private:
    void DrawPlain();

    BitmapDc canvas;
    void* canvasBits = nullptr;       // the canvas's pixels, BGRX top-down
    std::unique_ptr<FrameSource> own; // the user's picture
    qvl_frame frame = {};
    int width = 0;
    int height = 0;
    std::wstring path;
    std::wstring caption;
    std::wstring problem;
};
