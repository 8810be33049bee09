// Reads and drives the panel through its native controls, as a screen reader or an automation
// tool would: the window is found by its class (or a top-level window by its exact title, such
// as a message box), each child control's text comes from WM_GETTEXT, and buttons are pressed
// with BM_CLICK.
//
// Usage: panel_probe [--title TITLE] [--wait SECONDS] COMMAND
//   count            prints how many panel windows there are (no waiting)
//   list             prints "ID<tab>CLASS<tab>TEXT" for each child control
//   text ID          prints the text of control ID
//   checked TEXT     prints "on" or "off" for the check box or radio button whose text is TEXT
//   click TEXT       presses the button whose text (without '&') is TEXT
//   check TEXT on|off  sets the check box whose text is TEXT, as a click would
// A press is posted, as the user's click would be queued: what it opens (a message box) does
// not hold up the probe, and its effect is seen by asking again.
//   set ID TEXT      puts TEXT into the edit control ID (its owner hears EN_CHANGE)
//   pick ID TEXT     selects the combo box item TEXT in control ID, as the user would
//   drag X1 Y1 X2 Y2 drags the left mouse button across the window itself (client coordinates)
// Exit status: 0 done, 1 no such window or control (after waiting), 2 bad usage.
#include "panel_names.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t* const usage =
    L"usage: panel_probe [--title TITLE] [--wait SECONDS] count | list | text ID | checked TEXT |\n"
    L"       click TEXT | check TEXT on|off | set ID TEXT | pick ID TEXT | drag X1 Y1 X2 Y2\n";

void Print(const std::wstring& text) {
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
    if (!utf8.empty()) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

std::wstring TextOf(HWND window) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied));
    return text;
}

// A label as the user reads it: mnemonic markers dropped ("&&" is a literal '&').
std::wstring Unmarked(const std::wstring& text) {
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) {
            ++i;
        }
        plain += text[i];
    }
    return plain;
}

struct Search {
    const wchar_t* title; // null: the panel's class
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (search->title != nullptr) {
        if (TextOf(window) == search->title) {
            search->found.push_back(window);
        }
        return TRUE;
    }
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (std::wcscmp(name, L"" QVL_PANEL_WINDOW_CLASS) == 0) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> TopLevel(const wchar_t* title) {
    Search search{title, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND ButtonByText(HWND parent, const std::wstring& text) {
    for (HWND child : Children(parent)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (_wcsicmp(name, L"Button") == 0 && Unmarked(TextOf(child)) == text) {
            return child;
        }
    }
    return nullptr;
}

HWND ControlById(HWND parent, const wchar_t* id) {
    return GetDlgItem(parent, static_cast<int>(std::wcstol(id, nullptr, 10)));
}

int Run(HWND target, int argc, wchar_t** argv) {
    const std::wstring command = argv[0];
    if (command == L"list" && argc == 1) {
        for (HWND child : Children(target)) {
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            Print(std::to_wstring(GetDlgCtrlID(child)) + L"\t" + name + L"\t" + TextOf(child));
        }
        return 0;
    }
    if (command == L"text" && argc == 2) {
        const HWND control = ControlById(target, argv[1]);
        if (control == nullptr) {
            return 1;
        }
        Print(TextOf(control));
        return 0;
    }
    if ((command == L"checked" && argc == 2) || (command == L"click" && argc == 2) ||
        (command == L"check" && argc == 3)) {
        const HWND button = ButtonByText(target, argv[1]);
        if (button == nullptr) {
            return 1;
        }
        const bool on = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (command == L"checked") {
            Print(on ? L"on" : L"off");
        } else if (command == L"click" || on != (std::wcscmp(argv[2], L"on") == 0)) {
            PostMessageW(button, BM_CLICK, 0, 0);
        }
        return 0;
    }
    if (command == L"set" && argc == 3) {
        const HWND edit = ControlById(target, argv[1]);
        return edit != nullptr &&
                       SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]))
                   ? 0
                   : 1;
    }
    if (command == L"pick" && argc == 3) {
        const HWND combo = ControlById(target, argv[1]);
        if (combo == nullptr || SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(argv[2])) == CB_ERR) {
            return 1;
        }
        // A program's selection is silent; the user's is announced to the owner.
        SendMessageW(target, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        return 0;
    }
    if (command == L"drag" && argc == 5) {
        const LPARAM from =
            MAKELPARAM(std::wcstol(argv[1], nullptr, 10), std::wcstol(argv[2], nullptr, 10));
        const LPARAM to =
            MAKELPARAM(std::wcstol(argv[3], nullptr, 10), std::wcstol(argv[4], nullptr, 10));
        PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, from);
        PostMessageW(target, WM_MOUSEMOVE, MK_LBUTTON, to);
        PostMessageW(target, WM_LBUTTONUP, 0, to);
        return 0;
    }
    std::fwprintf(stderr, L"%ls", usage);
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* title = nullptr;
    double waitSeconds = 0;
    int at = 1;
    for (; at + 1 < argc && argv[at][0] == L'-'; at += 2) {
        if (std::wcscmp(argv[at], L"--title") == 0) {
            title = argv[at + 1];
        } else if (std::wcscmp(argv[at], L"--wait") == 0) {
            waitSeconds = std::wcstod(argv[at + 1], nullptr);
        } else {
            break;
        }
    }
    if (at >= argc) {
        std::fwprintf(stderr, L"%ls", usage);
        return 2;
    }
    if (std::wcscmp(argv[at], L"count") == 0) {
        std::printf("%u\n", static_cast<unsigned>(TopLevel(title).size()));
        return 0;
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(waitSeconds * 1000);
    for (;;) {
        const std::vector<HWND> found = TopLevel(title);
        if (!found.empty()) {
            return Run(found.front(), argc - at, argv + at);
        }
        if (GetTickCount64() >= deadline) {
            std::fprintf(stderr, "panel_probe: no such window\n");
            return 1;
        }
        Sleep(100);
    }
}
