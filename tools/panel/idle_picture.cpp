#include "idle_picture.h"

#include "qvl_protocol.h"
#include "source_factory.h"

namespace {

const COLORREF background = RGB(0x5F, 0x64, 0x6B); // a calm grey, a little cool
const COLORREF lettering = RGB(0xE8, 0xEA, 0xED);

// A font owned for one drawing and selected into `dc` while it lives.
class ScopedFont {
public:
    ScopedFont(HDC dc, int height, int weight)
        : dc(dc), font(CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                   DEFAULT_PITCH | FF_SWISS, L"Segoe UI")),
          original(font != nullptr ? SelectObject(dc, font) : nullptr) {}
    ~ScopedFont() {
        if (font != nullptr) {
            SelectObject(dc, original);
            DeleteObject(font);
        }
    }
    ScopedFont(const ScopedFont&) = delete;
    ScopedFont& operator=(const ScopedFont&) = delete;

private:
    HDC dc;
    HFONT font;
    HGDIOBJ original;
};

} // namespace

IdlePicture::IdlePicture() : canvas(nullptr) {}

void IdlePicture::Make(int newWidth, int newHeight, const std::wstring& newPath,
                       const wchar_t* newCaption) {
    const bool resized = newWidth != width || newHeight != height;
    if (Ready() && !resized && newPath == path && newCaption == caption) {
        return;
    }
    path = newPath;
    caption = newCaption;
    frame = {};
    own.reset();
    problem.clear();
    if (resized) {
        width = newWidth;
        height = newHeight;
        canvas.Select(CreateTopDownDib(canvas.Get(), width, height, &canvasBits));
    }
    if (!path.empty()) {
        SourceChoice choice;
        choice.kind = SourceKind::Image;
        choice.path = path;
        std::wstring reason;
        own = MakeSource(choice, width, height, &reason);
        if (own && own->Next(0, frame) == SourceStatus::Frame) {
            return;
        }
        frame = {};
        own.reset();
        problem = L"the idle picture: " + reason;
    }
    DrawPlain();
}

void IdlePicture::DrawPlain() {
    if (canvasBits == nullptr) {
        return;
    }
    const HDC dc = canvas.Get();
    RECT all = {0, 0, width, height};
    SetDCBrushColor(dc, background);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, lettering);
    const int line = height / 9 > 8 ? height / 9 : 8;
    RECT name = {0, height / 2 - line, width, height / 2};
    RECT state = {0, height / 2 + line / 4, width, height / 2 + line};
    {
        const ScopedFont font(dc, line * 3 / 4, FW_SEMIBOLD);
        DrawTextW(dc, TEXT(QVL_CAMERA_FRIENDLY_NAME), -1, &name,
                  DT_CENTER | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    }
    {
        const ScopedFont font(dc, line / 2, FW_NORMAL);
        DrawTextW(dc, caption.c_str(), -1, &state,
                  DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    }
    GdiFlush(); // the sender reads the pixels next
    frame =
        DescribeFrame(canvasBits, static_cast<size_t>(width) * height * 4, width, height, QVL_BGRX);
}
