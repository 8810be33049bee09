#include "region_overlay.h"

namespace {

const wchar_t* const overlayClass = L"Quovalent_01 region overlay";
// Painted where the rectangle lies: the colour key makes it a clear hole in the dimming.
const COLORREF holeColour = RGB(255, 0, 255);
const BYTE dimming = 140; // of 255: how much of the screen the overlay hides

struct Drag {
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
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (drag.dragging) {
        RECT area = drag.Area();
        SetDCBrushColor(dc, holeColour);
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
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
    Drag drag;
    drag.origin = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
    const HWND overlay =
        CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, overlayClass,
                        L"Drag out the part of the screen to show; Esc cancels", WS_POPUP,
                        drag.origin.x, drag.origin.y, GetSystemMetrics(SM_CXVIRTUALSCREEN),
                        GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr, instance, &drag);
    if (overlay == nullptr) {
        return false;
    }
    SetLayeredWindowAttributes(overlay, holeColour, dimming, LWA_ALPHA | LWA_COLORKEY);
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
