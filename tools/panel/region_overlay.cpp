#include "region_overlay.h"

#include "gdi_owners.h"

namespace {

const wchar_t* const overlayClass = L"Quovalent_01 region overlay";
const wchar_t* const hint = L"Drag out the part of the screen to show. Esc cancels.";

// The screen as it was when the overlay opened, bright and dimmed: the overlay shows the dimmed
// copy with the rectangle bright. A still rather than a see-through window, so that it looks
// the same where windows cannot be translucent (an X display without a compositor).
struct Still {
    Still(HDC screen, int width, int height) : bright(screen), dim(screen) {
        void* brightBits = nullptr;
        void* dimBits = nullptr;
        bright.Select(CreateTopDownDib(screen, width, height, &brightBits));
        dim.Select(CreateTopDownDib(screen, width, height, &dimBits));
        if (brightBits == nullptr || dimBits == nullptr ||
            !BitBlt(bright.Get(), 0, 0, width, height, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
                    GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY | CAPTUREBLT)) {
            return;
        }
        GdiFlush();
        const auto* from = static_cast<const DWORD*>(brightBits);
        auto* to = static_cast<DWORD*>(dimBits);
        for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
            to[i] = (from[i] >> 1) & 0x007F7F7F; // half as bright
        }
        ready = true;
    }
    BitmapDc bright;
    BitmapDc dim;
    bool ready = false;
};

struct Drag {
    const Still* still = nullptr;
    POINT origin = {}; // virtual-desktop coordinates of the overlay's client area
    POINT from = {};
    POINT to = {};
    bool dragging = false;
    bool done = false;
    bool taken = false;

    RECT Area() const {
        return {from.x < to.x ? from.x : to.x, from.y < to.y ? from.y : to.y,
                from.x < to.x ? to.x : from.x, from.y < to.y ? to.y : from.y};
    }
};

void Paint(HWND window, const Drag& drag) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    RECT area = drag.Area();
    const int saved = SaveDC(dc);
    if (drag.dragging) {
        ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, drag.still->dim.Get(), 0, 0, SRCCOPY);
    RECT top = {0, 0, client.right, client.bottom / 8};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, hint, -1, &top, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RestoreDC(dc, saved);
    if (drag.dragging) {
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
               drag.still->bright.Get(), area.left, area.top, SRCCOPY);
        InflateRect(&area, 1, 1);
        FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(window, &paint);
}
LRESULT CALLBACK OverlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* drag = reinterpret_cast<Drag*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_LBUTTONDOWN:
        drag->from = drag->to = at;
        drag->dragging = true;
        SetCapture(window);
        return 0;
    case WM_MOUSEMOVE:
        if (drag->dragging) {
            drag->to = at;
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (drag->dragging) {
            drag->to = at;
            ReleaseCapture();
            const RECT area = drag->Area();
            // A click without a drag is no rectangle: let the user try again.
            drag->dragging = false;
            if (area.right - area.left >= 2 && area.bottom - area.top >= 2) {
                drag->taken = drag->done = true;
            }
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_RBUTTONUP:
        drag->done = true;
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            drag->done = true;
        }
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: this drag is over, the user may start another.
        if (reinterpret_cast<HWND>(lParam) != window) {
            drag->dragging = false;
        }
        break;
    case WM_ACTIVATE:
        // The user switched to another window: no rectangle.
        if (drag != nullptr && LOWORD(wParam) == WA_INACTIVE) {
            drag->done = true;
        }
        break;
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_CROSS));
        return TRUE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint(window, *drag);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

bool DragOutRegion(HINSTANCE instance, RECT& region) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = OverlayProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = overlayClass;
    RegisterClassExW(&windowClass); // a second call finds it registered, which is as good
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const ScreenDc screen;
    const Still still(screen.Get(), width, height);
    if (!still.ready) {
        return false;
    }
    Drag drag;
    drag.still = &still;
    drag.origin = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
    const HWND overlay = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, overlayClass, hint,
                                         WS_POPUP, drag.origin.x, drag.origin.y, width, height,
                                         nullptr, nullptr, instance, &drag);
    if (overlay == nullptr) {
        return false;
    }
    ShowWindow(overlay, SW_SHOW);
    SetForegroundWindow(overlay);
    SetFocus(overlay);
    MSG message;
    while (!drag.done) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) {
                PostQuitMessage(static_cast<int>(message.wParam)); // for the panel's own loop
            }
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(overlay);
    if (!drag.taken) {
        return false;
    }
    region = drag.Area();
    OffsetRect(&region, drag.origin.x, drag.origin.y);
    return true;
}
