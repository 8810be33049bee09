// A window with a known picture for the screen capture tests: four quadrants (red, lime / blue,
// white) and a yellow marker square centred at an eighth of the width and height, in a client
// area placed exactly where asked.
// Usage: quadrant_window TITLE X Y W H
// Standard input takes "move X Y W H" and "close", one a line; after each placement it prints
// "ready X Y W H" (the client area on the screen) once the picture is drawn.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const UINT placeMessage = WM_APP + 1;
const DWORD style = WS_OVERLAPPEDWINDOW;

struct Place {
    int x, y, w, h;
};

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    const RECT area = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right, h = client.bottom;
    Fill(dc, 0, 0, w / 2, h / 2, RGB(255, 0, 0));
    Fill(dc, w / 2, 0, w, h / 2, RGB(0, 255, 0));
    Fill(dc, 0, h / 2, w / 2, h, RGB(0, 0, 255));
    Fill(dc, w / 2, h / 2, w, h, RGB(255, 255, 255));
    Fill(dc, w / 16, h / 16, 3 * w / 16, 3 * h / 16, RGB(255, 255, 0));
    EndPaint(window, &paint);
}

// Puts the client area at `place`, draws it and says so.
void Move(HWND window, const Place& place) {
    RECT frame = {place.x, place.y, place.x + place.w, place.y + place.h};
    AdjustWindowRect(&frame, style, FALSE);
    SetWindowPos(window, HWND_TOP, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    GdiFlush();
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT client;
    GetClientRect(window, &client);
    std::printf("ready %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    std::fflush(stdout);
}

LRESULT CALLBACK Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case placeMessage: {
        // The reader thread's request, handed over with the message.
        const Place* place = reinterpret_cast<const Place*>(lParam);
        Move(window, *place);
        delete place;
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Reads the commands and hands them to the window's thread.
DWORD WINAPI ReadCommands(void* data) {
    HWND window = static_cast<HWND>(data);
    char line[128];
    while (std::fgets(line, sizeof(line), stdin) != nullptr) {
        Place next;
        if (std::sscanf(line, "move %d %d %d %d", &next.x, &next.y, &next.w, &next.h) == 4) {
            PostMessageA(window, placeMessage, 0, reinterpret_cast<LPARAM>(new Place(next)));
        } else if (std::strncmp(line, "close", 5) == 0) {
            break;
        }
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Place first;
    if (argc != 6 || std::sscanf(argv[2], "%d", &first.x) + std::sscanf(argv[3], "%d", &first.y) +
                             std::sscanf(argv[4], "%d", &first.w) +
                             std::sscanf(argv[5], "%d", &first.h) !=
                         4) {
        std::fprintf(stderr, "usage: quadrant_window TITLE X Y W H\n");
        return 2;
    }
    SetProcessDPIAware();
    WNDCLASSA type = {};
    type.lpfnWndProc = Handle;
    type.hInstance = GetModuleHandleA(nullptr);
    type.hCursor = LoadCursor(nullptr, IDC_ARROW);
    type.lpszClassName = "quadrant_window";
    RegisterClassA(&type);
    HWND window = CreateWindowExA(0, type.lpszClassName, argv[1], style, 0, 0, 100, 100, nullptr,
                                  nullptr, type.hInstance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    Move(window, first);
    HANDLE reader = CreateThread(nullptr, 0, ReadCommands, window, 0, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    CloseHandle(reader);
    return 0;
}
