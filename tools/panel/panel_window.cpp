#include "panel_window.h"

#include "camera_format.h"
#include "command_line.h"
#include "com_owners.h"
#include "panel_ids.h"
#include "panel_messages.h"
#include "panel_names.h"
#include "region_overlay.h"
#include "source_text.h"
#include "startup_entry.h"
#include "stored_settings.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <cwchar>
#include <cwctype>
#include <iterator>

namespace {

const UINT_PTR previewTimer = 1;
const UINT previewMs = 200; // 5 pictures a second: enough to see, cheap to draw

struct KindButton {
    SourceKind kind;
    int id;
};
const KindButton kindButtons[] = {
    {SourceKind::Pattern, IDC_SRC_PATTERN}, {SourceKind::Image, IDC_SRC_IMAGE},
    {SourceKind::Video, IDC_SRC_VIDEO},     {SourceKind::Screen, IDC_SRC_SCREEN},
    {SourceKind::Region, IDC_SRC_REGION},   {SourceKind::Window, IDC_SRC_WINDOW}};

const CameraFormat presetSizes[] = {{640, 480, 0}, {1280, 720, 0}, {1920, 1080, 0}};
const long presetRates[] = {15, 25, 30, 60};

std::wstring FormatText(const CameraFormat& format) {
    return std::to_wstring(format.width) + L"x" + std::to_wstring(format.height) + L"@" +
           std::to_wstring(format.fps);
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A known folder's path, or empty.
std::wstring KnownFolder(REFKNOWNFOLDERID folder) {
    PWSTR path = nullptr;
    std::wstring found;
    if (SUCCEEDED(SHGetKnownFolderPath(folder, 0, nullptr, &path))) {
        found = path;
    }
    CoTaskMemFree(path); // also when the call failed, as documented
    return found;
}

// A popup menu, destroyed with the owner.
class PopupMenu {
public:
    PopupMenu() : menu(CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu != nullptr) {
            DestroyMenu(menu);
        }
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU Get() const { return menu; }

private:
    HMENU menu;
};

// The argument vector of a command line, freed with the owner.
class Arguments {
public:
    explicit Arguments(const wchar_t* line) : argv(CommandLineToArgvW(line, &argc)) {}
    ~Arguments() { LocalFree(argv); }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    int Count() const { return argv != nullptr ? argc : 0; }
    const wchar_t* const* Values() const { return argv; }

private:
    int argc = 0;
    wchar_t** argv;
};

} // namespace

PanelWindow::PanelWindow(HINSTANCE instance, const PanelChoices& stored, const PanelChoices& run)
    : instance(instance), stored(stored), run(run) {}

PanelWindow::~PanelWindow() {
    if (dialog != nullptr) {
        DestroyWindow(dialog);
    }
}

bool PanelWindow::Create(bool hidden) {
    // The dialog's own class, so that a second start, --quit and tests find it by name.
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(
        instance, MAKEINTRESOURCEW(IDI_PANEL), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PANEL),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"" QVL_PANEL_WINDOW_CLASS;
    if (RegisterClassExW(&windowClass) == 0) {
        return false;
    }
    if (CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PANEL), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(this)) == nullptr) {
        return false;
    }
    if (!hidden) {
        Reveal();
    }
    return true;
}

INT_PTR CALLBACK PanelWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<PanelWindow*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->dialog = dialog;
        self->OnInit();
        return TRUE;
    }
    auto* self = reinterpret_cast<PanelWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self != nullptr ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR PanelWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tray && message == tray->TaskbarCreated()) {
        tray->Add();
        return TRUE;
    }
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != IDC_PREVIEW || !engine) {
            return FALSE;
        }
        engine->PaintPreview(item->hDC, item->rcItem);
        return TRUE;
    }
    case WM_TIMER:
        if (engine && engine->PreviewChanged()) {
            InvalidateRect(GetDlgItem(dialog, IDC_PREVIEW), nullptr, FALSE);
        }
        return TRUE;
    case WM_SHOWWINDOW:
    case WM_SIZE: {
        // The preview is drawn only while it can be seen.
        const bool seen = message == WM_SHOWWINDOW ? wParam != FALSE : wParam != SIZE_MINIMIZED;
        if (seen) {
            SetTimer(dialog, previewTimer, previewMs, nullptr);
        } else {
            KillTimer(dialog, previewTimer);
        }
        return FALSE;
    }
    case WM_COPYDATA:
        OnHandOver(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return TRUE;
    case WM_CLOSE:
        Conceal();
        return TRUE;
    case WM_DESTROY:
        KillTimer(dialog, previewTimer);
        tray.reset();
        engine.reset();
        PostQuitMessage(0);
        return TRUE;
    case WM_NCDESTROY:
        dialog = nullptr;
        return FALSE;
    default:
        break;
    }
    if (message == panelStatusMessage) {
        ShowStatus();
        return TRUE;
    }
    if (message == panelTrayMessage) {
        OnTray(wParam, lParam);
        return TRUE;
    }
    if (message == panelQuitMessage) {
        Quit();
        return TRUE;
    }
    return FALSE;
}

void PanelWindow::OnInit() {
    SetWindowTextW(dialog, L"" QVL_CAMERA_FRIENDLY_NAME L" camera panel");
    FillMonitors();
    FillWindows();
    FillFormats();
    ShowChoices();
    CheckDlgButton(dialog, IDC_STARTUP,
                   ReadStartup() == StartupState::On ? BST_CHECKED : BST_UNCHECKED);
    const auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PANEL),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    tray = std::make_unique<TrayIcon>(dialog, panelTrayMessage, icon);
    tray->SetTip(L"Not in use");
    tray->Add();

    engine = std::make_unique<PanelEngine>(dialog, panelStatusMessage);
    engine->SetSource(run.Source());
    engine->SetMirror(run.mirror);
    engine->SetMode(run.mode);
    engine->SetIdlePicture(run.idlePicture);
    std::wstring why;
    if (!engine->Start(&why)) {
        SetText(IDC_SHOWING, L"The camera cannot be fed: " + why);
        return;
    }
    ShowStatus();
}

void PanelWindow::OnCommand(int id, int code) {
    for (const KindButton& button : kindButtons) {
        if (id == button.id && code == BN_CLICKED) {
            ChooseSource(button.kind);
            return;
        }
    }
    std::wstring path;
    switch (id) {
    case IDC_IMAGE_CHOOSE:
    case IDC_VIDEO_CHOOSE: {
        const bool video = id == IDC_VIDEO_CHOOSE;
        path = video ? run.video : run.image;
        if (AskForFile(video, path)) {
            Remember(Part::Source, [&](PanelChoices& c) {
                (video ? c.video : c.image) = path;
                c.kind = video ? SourceKind::Video : SourceKind::Image;
            });
        }
        break;
    }
    case IDC_SCREEN_LIST:
        if (code == CBN_SELCHANGE) {
            const LRESULT at = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
            if (at >= 0 && static_cast<size_t>(at) < monitors.size()) {
                const int index = monitors[static_cast<size_t>(at)].index;
                Remember(Part::Source, [&](PanelChoices& c) {
                    c.kind = SourceKind::Screen;
                    c.screen = index;
                });
            }
        }
        break;
    case IDC_REGION_TEXT:
        if (code == EN_KILLFOCUS) {
            TypedRegion();
        }
        break;
    case IDC_REGION_DRAG:
        DragRegion();
        break;
    case IDC_WINDOW_LIST:
        if (code == CBN_SELCHANGE) {
            PickWindow();
        }
        break;
    case IDC_WINDOW_REFRESH:
        FillWindows();
        break;
    case IDC_POINTER: {
        const bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
        Remember(Part::Source, [&](PanelChoices& c) { c.pointer = on; });
        break;
    }
    case IDC_MIRROR: {
        const bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
        Remember(Part::Mirror, [&](PanelChoices& c) { c.mirror = on; });
        break;
    }
    case IDC_MODE_WATCHED:
    case IDC_MODE_ALWAYS: {
        const PanelMode mode = id == IDC_MODE_ALWAYS ? PanelMode::AlwaysOn : PanelMode::WhenWatched;
        Remember(Part::Mode, [&](PanelChoices& c) { c.mode = mode; });
        break;
    }
    case IDC_IDLE_CHOOSE:
        path = run.idlePicture;
        if (AskForFile(false, path)) {
            Remember(Part::Idle, [&](PanelChoices& c) { c.idlePicture = path; });
        }
        break;
    case IDC_IDLE_PLAIN:
        Remember(Part::Idle, [](PanelChoices& c) { c.idlePicture.clear(); });
        break;
    case IDC_FORMAT_SET:
        SetFormat();
        break;
    case IDC_STARTUP:
        ToggleStartup();
        break;
    case IDC_PAUSE:
    case IDM_PAUSE:
        TogglePause();
        break;
    case IDOK: { // Enter: takes what was typed where the focus is
        const HWND focus = GetFocus();
        const HWND format = GetDlgItem(dialog, IDC_FORMAT);
        if (focus == GetDlgItem(dialog, IDC_REGION_TEXT)) {
            TypedRegion();
        } else if (focus == format || GetParent(focus) == format) {
            SetFormat();
        }
        break;
    }
    case IDCANCEL:
        Conceal();
        break;
    case IDM_SHOW:
        Reveal();
        break;
    case IDC_QUIT:
    case IDM_QUIT:
        Quit();
        break;
    default:
        break;
    }
}

template <typename Change> void PanelWindow::Remember(Part part, Change change) {
    change(run);
    change(stored);
    SaveChoices(stored);
    if (engine) {
        switch (part) {
        case Part::Source:
            engine->SetSource(run.Source());
            break;
        case Part::Mirror:
            engine->SetMirror(run.mirror);
            break;
        case Part::Mode:
            engine->SetMode(run.mode);
            break;
        case Part::Idle:
            engine->SetIdlePicture(run.idlePicture);
            break;
        }
    }
    ShowChoices();
}

void PanelWindow::ChooseSource(SourceKind kind) {
    std::wstring path;
    switch (kind) {
    case SourceKind::Image:
    case SourceKind::Video:
        path = kind == SourceKind::Video ? run.video : run.image;
        if (path.empty() && !AskForFile(kind == SourceKind::Video, path)) {
            ShowChoices(); // cancelled: the radio buttons show what still runs
            return;
        }
        Remember(Part::Source, [&](PanelChoices& c) {
            (kind == SourceKind::Video ? c.video : c.image) = path;
            c.kind = kind;
        });
        return;
    case SourceKind::Region:
        if (run.region.right <= run.region.left) {
            DragRegion();
            return;
        }
        break;
    case SourceKind::Window:
        if (run.window.empty()) {
            PickWindow();
            return;
        }
        break;
    default:
        break;
    }
    Remember(Part::Source, [&](PanelChoices& c) { c.kind = kind; });
}

bool PanelWindow::AskForFile(bool video, std::wstring& path) {
    std::wstring folder = path.empty() ? KnownFolder(video ? FOLDERID_Videos : FOLDERID_Pictures)
                                       : path.substr(0, path.find_last_of(L"\\/") + 1);
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW ask = {};
    ask.lStructSize = sizeof(ask);
    ask.hwndOwner = dialog;
    ask.lpstrFilter = video ? L"Videos (MP4, M4V, MOV, WMV, AVI, MKV)\0"
                              L"*.mp4;*.m4v;*.mov;*.wmv;*.avi;*.mkv\0All files\0*.*\0"
                            : L"Pictures (BMP, PNG, JPEG, GIF, TIFF)\0"
                              L"*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.tif;*.tiff\0All files\0*.*\0";
    ask.lpstrFile = file.data();
    ask.nMaxFile = static_cast<DWORD>(file.size());
    ask.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ask.lpstrTitle = video ? L"A video for the camera" : L"A picture for the camera";
    ask.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetOpenFileNameW(&ask)) {
        return false;
    }
    path = file.data();
    return true;
}

void PanelWindow::DragRegion() {
    // The panel steps aside so that the user sees the whole screen.
    const bool shown = IsWindowVisible(dialog) != FALSE;
    if (shown) {
        ShowWindow(dialog, SW_HIDE);
        Sleep(250); // for the screen behind it to be drawn again before the overlay reads it
    }
    RECT region = {};
    const bool taken = DragOutRegion(instance, region);
    if (shown) {
        Reveal();
    }
    if (taken) {
        Remember(Part::Source, [&](PanelChoices& c) {
            c.kind = SourceKind::Region;
            c.region = region;
        });
    } else {
        ShowChoices();
    }
}

void PanelWindow::TypedRegion() {
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, IDC_REGION_TEXT, text, 64);
    RECT region = {};
    if (!ParseRegionText(text, region)) {
        if (text[0] != L'\0') {
            SetText(IDC_SHOWING, L"Type the region as X,Y,W,H in pixels, for example "
                                 L"0,0,1280,720.");
        }
        return;
    }
    if (run.kind == SourceKind::Region && EqualRect(&region, &run.region)) {
        return;
    }
    Remember(Part::Source, [&](PanelChoices& c) {
        c.kind = SourceKind::Region;
        c.region = region;
    });
}

void PanelWindow::PickWindow() {
    const LRESULT at = SendDlgItemMessageW(dialog, IDC_WINDOW_LIST, CB_GETCURSEL, 0, 0);
    const LRESULT item =
        at < 0 ? CB_ERR : SendDlgItemMessageW(dialog, IDC_WINDOW_LIST, CB_GETITEMDATA, at, 0);
    if (item < 0 || static_cast<size_t>(item) >= windows.size()) {
        if (run.window.empty()) {
            SetText(IDC_SHOWING, L"Pick a window from the list first.");
            ShowChoices();
            return;
        }
        Remember(Part::Source, [](PanelChoices& c) { c.kind = SourceKind::Window; });
        return;
    }
    const WindowInfo picked = windows[static_cast<size_t>(item)];
    Remember(Part::Source, [&](PanelChoices& c) {
        c.kind = SourceKind::Window;
        c.window = picked.title;
        c.windowHandle = picked.window;
    });
}

void PanelWindow::SetFormat() {
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, IDC_FORMAT, text, 64);
    CameraFormat format = CameraFormatFor(ReadStoredSettings());
    std::wstring note;
    if (!ParseCameraFormat(text, &format)) {
        note = L"Type the format as WIDTHxHEIGHT@FPS, for example 1280x720@30.";
    } else if (!FrameSizeAllowed(format.width, format.height)) {
        note = std::to_wstring(format.width) + L"x" + std::to_wstring(format.height) +
               L" is too large or empty: a frame may hold at most " +
               std::to_wstring(QVL_MAX_FRAME_BYTES / QVL_BYTES_PER_PIXEL) + L" pixels.";
    } else if (!RateAllowed(format.fps)) {
        note = std::to_wstring(format.fps) + L" fps is not a rate the camera takes.";
    } else {
        const LONG stored = StoreUserFormat(format);
        if (stored != ERROR_SUCCESS) {
            note = L"The format cannot be stored (error " + std::to_wstring(stored) + L").";
        } else {
            note = L"The camera's format is now " + FormatText(format) +
                   L"; programs see it the next time they open the camera.";
            if (engine) {
                engine->FormatChanged();
            }
            FillFormats();
        }
    }
    SetText(IDC_FORMAT_NOTE, note);
}

void PanelWindow::ToggleStartup() {
    const bool want = IsDlgButtonChecked(dialog, IDC_STARTUP) != BST_CHECKED;
    const bool written = SetStartup(want);
    const StartupState state = ReadStartup();
    CheckDlgButton(dialog, IDC_STARTUP, state == StartupState::On ? BST_CHECKED : BST_UNCHECKED);
    if (!written) {
        MessageBoxW(dialog, L"The start-up entry cannot be changed.", L"Start with Windows",
                    MB_OK | MB_ICONWARNING);
    } else if (want && state == StartupState::OffByWindows) {
        // Windows' own switch is the user's to turn back on; the panel never does.
        MessageBoxW(dialog,
                    L"Windows keeps the panel from starting: it was turned off in Windows' "
                    L"start-up apps. Turn it on in Settings > Apps > Startup (or Task "
                    L"Manager > Startup apps).",
                    L"Start with Windows", MB_OK | MB_ICONINFORMATION);
    }
}

void PanelWindow::TogglePause() {
    paused = !paused;
    if (engine) {
        engine->SetPaused(paused);
    }
    SetText(IDC_PAUSE, paused ? L"Res&ume" : L"Pa&use");
    ShowStatus();
}

void PanelWindow::FillMonitors() {
    monitors = ListMonitors();
    SendDlgItemMessageW(dialog, IDC_SCREEN_LIST, CB_RESETCONTENT, 0, 0);
    for (const MonitorInfo& monitor : monitors) {
        SendDlgItemMessageW(dialog, IDC_SCREEN_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(monitor.name.c_str()));
    }
}

void PanelWindow::FillWindows() {
    windows = ListWindows();
    const HWND list = GetDlgItem(dialog, IDC_WINDOW_LIST);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    LRESULT chosen = CB_ERR;
    bool named = false; // the chosen title is among the windows
    for (size_t i = 0; i < windows.size(); ++i) {
        const LRESULT at =
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(windows[i].title.c_str()));
        SendMessageW(list, CB_SETITEMDATA, at, static_cast<LPARAM>(i));
        if (chosen == CB_ERR && (windows[i].window == run.windowHandle ||
                                 (!run.window.empty() && windows[i].title == run.window))) {
            chosen = at;
            named = true;
        }
    }
    // A title chosen before (or on the command line) stays in the list, as it was typed.
    if (!named && !run.window.empty()) {
        chosen =
            SendMessageW(list, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(run.window.c_str()));
        SendMessageW(list, CB_SETITEMDATA, chosen, static_cast<LPARAM>(-1));
    }
    SendMessageW(list, CB_SETCURSEL, chosen == CB_ERR ? 0 : chosen, 0);
}

void PanelWindow::FillFormats() {
    const CameraFormat current = CameraFormatFor(ReadStoredSettings());
    const std::wstring currentText = FormatText(current);
    const HWND list = GetDlgItem(dialog, IDC_FORMAT);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    bool listed = false;
    for (const CameraFormat& size : presetSizes) {
        for (const long fps : presetRates) {
            const std::wstring text = FormatText({size.width, size.height, fps});
            listed = listed || text == currentText;
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
    if (!listed) {
        SendMessageW(list, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(currentText.c_str()));
    }
    SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(currentText.c_str()));
}

void PanelWindow::ShowChoices() {
    for (const KindButton& button : kindButtons) {
        CheckDlgButton(dialog, button.id, button.kind == run.kind ? BST_CHECKED : BST_UNCHECKED);
    }
    SetText(IDC_IMAGE_PATH, run.image.empty() ? L"none chosen" : FileName(run.image));
    SetText(IDC_VIDEO_PATH, run.video.empty() ? L"none chosen" : FileName(run.video));
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].index == run.screen || (run.screen == 0 && monitors[i].primary)) {
            SendDlgItemMessageW(dialog, IDC_SCREEN_LIST, CB_SETCURSEL, i, 0);
        }
    }
    if (GetFocus() != GetDlgItem(dialog, IDC_REGION_TEXT)) {
        SetText(IDC_REGION_TEXT,
                run.region.right > run.region.left ? RegionText(run.region) : std::wstring());
    }
    CheckDlgButton(dialog, IDC_POINTER, run.pointer ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_MIRROR, run.mirror ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dialog, IDC_MODE_WATCHED, IDC_MODE_ALWAYS,
                     run.mode == PanelMode::AlwaysOn ? IDC_MODE_ALWAYS : IDC_MODE_WATCHED);
    SetText(IDC_IDLE_PATH,
            run.idlePicture.empty() ? L"the panel's plain one" : FileName(run.idlePicture));
}

void PanelWindow::ShowStatus() {
    if (!engine) {
        return;
    }
    const PanelStatus status = engine->Status();
    const std::wstring users = status.users.empty() ? L"Not in use" : L"In use by: " + status.users;
    SetText(IDC_USERS, users);
    if (tray) {
        tray->SetTip(users);
    }
    std::wstring line = L"Showing " + status.showing + L".";
    if (!status.problem.empty()) {
        std::wstring problem = status.problem;
        problem[0] = static_cast<wchar_t>(towupper(problem[0]));
        line += L"\n" + problem + L".";
    }
    SetText(IDC_SHOWING, line);
}

// Changes a control's text only when it differs, so that screen readers announce real news.
void PanelWindow::SetText(int id, const std::wstring& text) {
    const HWND control = GetDlgItem(dialog, id);
    wchar_t now[512] = {};
    GetWindowTextW(control, now, 512);
    if (text != now) {
        SetWindowTextW(control, text.c_str());
    }
}

void PanelWindow::Reveal() {
    ShowWindow(dialog, IsIconic(dialog) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(dialog);
}

void PanelWindow::Conceal() {
    ShowWindow(dialog, SW_HIDE);
}

void PanelWindow::OnTray(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case NIN_SELECT:
    case NIN_KEYSELECT:
        Reveal();
        break;
    case WM_CONTEXTMENU:
        ShowTrayMenu({GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)});
        break;
    default:
        break;
    }
}

void PanelWindow::ShowTrayMenu(POINT at) {
    const PopupMenu menu;
    if (menu.Get() == nullptr) {
        return;
    }
    AppendMenuW(menu.Get(), MF_STRING, IDM_SHOW, L"&Show panel");
    AppendMenuW(menu.Get(), MF_STRING, IDM_PAUSE, paused ? L"&Resume" : L"&Pause");
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Get(), MF_STRING, IDM_QUIT, L"&Quit");
    SetMenuDefaultItem(menu.Get(), IDM_SHOW, FALSE);
    // The menu closes when the user clicks elsewhere only if the panel is in the foreground.
    SetForegroundWindow(dialog);
    const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    TrackPopupMenuEx(menu.Get(), align | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at.x, at.y, dialog,
                     nullptr);
    PostMessageW(dialog, WM_NULL, 0, 0);
}

void PanelWindow::OnHandOver(const COPYDATASTRUCT& data) {
    if (data.dwData != panelHandOverTag || data.lpData == nullptr) {
        return;
    }
    const std::wstring line(static_cast<const wchar_t*>(data.lpData),
                            data.cbData / sizeof(wchar_t));
    const Arguments arguments(line.c_str());
    PanelChoices next = run;
    PanelCommand command;
    std::wstring why;
    if (arguments.Count() > 1 &&
        ParseCommandLine(arguments.Count() - 1, arguments.Values() + 1, next, command, &why)) {
        if (command.sourceGiven) {
            next.windowHandle = nullptr;
        }
        run = next; // for this run only, as on the command line
        if (engine) {
            engine->SetSource(run.Source());
            engine->SetMirror(run.mirror);
            engine->SetMode(run.mode);
        }
        FillWindows();
        ShowChoices();
    }
    if (!command.tray) {
        Reveal();
    }
}

void PanelWindow::Quit() {
    DestroyWindow(dialog);
}
