#include "panel_choices.h"

#include "panel_names.h"
#include "registry_key.h"
#include "source_text.h"

#include <vector>

namespace {

// The source kinds by their stored names, which are the command line's option names.
struct KindName {
    SourceKind kind;
    const wchar_t* name;
};
const KindName kindNames[] = {{SourceKind::Pattern, L"pattern"}, {SourceKind::Image, L"image"},
                              {SourceKind::Video, L"video"},     {SourceKind::Screen, L"screen"},
                              {SourceKind::Region, L"region"},   {SourceKind::Window, L"window"}};

const wchar_t* const keyName = L"" QVL_PANEL_KEY;

// The panel's key, open for reading or writing.
class PanelKey {
public:
    explicit PanelKey(bool write) {
        OpenUserKey(owner, keyName, write ? KEY_SET_VALUE : KEY_READ, write);
    }

    bool Text(const wchar_t* name, std::wstring& value) const {
        DWORD bytes = 0;
        if (owner.Get() == nullptr || RegGetValueW(owner.Get(), nullptr, name, RRF_RT_REG_SZ,
                                                   nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
            return false;
        }
        std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1);
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegGetValueW(owner.Get(), nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
            ERROR_SUCCESS) {
            return false;
        }
        value = text.data();
        return true;
    }
    bool Number(const wchar_t* name, DWORD& value) const {
        DWORD bytes = sizeof(value);
        return owner.Get() != nullptr && RegGetValueW(owner.Get(), nullptr, name, RRF_RT_REG_DWORD,
                                                      nullptr, &value, &bytes) == ERROR_SUCCESS;
    }
    bool SetText(const wchar_t* name, const std::wstring& value) {
        return owner.Get() != nullptr &&
               RegSetValueExW(
                   owner.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    bool SetNumber(const wchar_t* name, DWORD value) {
        return owner.Get() != nullptr && RegSetValueExW(owner.Get(), name, 0, REG_DWORD,
                                                        reinterpret_cast<const BYTE*>(&value),
                                                        sizeof(value)) == ERROR_SUCCESS;
    }

private:
    CRegistryKey owner; // null when it could not be opened
};

} // namespace

SourceChoice PanelChoices::Source() const {
    SourceChoice choice;
    choice.kind = kind;
    choice.path = kind == SourceKind::Video ? video : image;
    choice.screenIndex = screen;
    choice.region = region;
    choice.windowTitle = window;
    choice.window = windowHandle;
    choice.pointer = pointer;
    return choice;
}

PanelChoices LoadChoices() {
    PanelChoices choices;
    const PanelKey key(false);
    std::wstring text;
    if (key.Text(L"source", text)) {
        for (const KindName& entry : kindNames) {
            if (text == entry.name) {
                choices.kind = entry.kind;
            }
        }
    }
    key.Text(L"image", choices.image);
    key.Text(L"video", choices.video);
    key.Text(L"window", choices.window);
    key.Text(L"idlePicture", choices.idlePicture);
    if (key.Text(L"region", text)) {
        ParseRegionText(text.c_str(), choices.region);
    }
    DWORD number = 0;
    if (key.Number(L"screen", number) && number <= 64) {
        choices.screen = static_cast<int>(number);
    }
    if (key.Number(L"pointer", number)) {
        choices.pointer = number != 0;
    }
    if (key.Number(L"mirror", number)) {
        choices.mirror = number != 0;
    }
    if (key.Number(L"alwaysOn", number)) {
        choices.mode = number != 0 ? PanelMode::AlwaysOn : PanelMode::WhenWatched;
    }
    // A choice that cannot be had from what is stored falls back to the test pattern.
    if ((choices.kind == SourceKind::Region && choices.region.right <= choices.region.left) ||
        (choices.kind == SourceKind::Window && choices.window.empty()) ||
        (choices.kind == SourceKind::Image && choices.image.empty()) ||
        (choices.kind == SourceKind::Video && choices.video.empty())) {
        choices.kind = SourceKind::Pattern;
    }
    return choices;
}

bool SaveChoices(const PanelChoices& choices) {
    PanelKey key(true);
    const wchar_t* kind = kindNames[0].name;
    for (const KindName& entry : kindNames) {
        if (entry.kind == choices.kind) {
            kind = entry.name;
        }
    }
    bool saved = key.SetText(L"source", kind);
    saved = key.SetText(L"image", choices.image) && saved;
    saved = key.SetText(L"video", choices.video) && saved;
    saved = key.SetText(L"window", choices.window) && saved;
    saved = key.SetText(L"idlePicture", choices.idlePicture) && saved;
    saved = key.SetText(L"region", choices.region.right > choices.region.left
                                       ? RegionText(choices.region)
                                       : std::wstring()) &&
            saved;
    saved = key.SetNumber(L"screen", static_cast<DWORD>(choices.screen)) && saved;
    saved = key.SetNumber(L"pointer", choices.pointer) && saved;
    saved = key.SetNumber(L"mirror", choices.mirror) && saved;
    return key.SetNumber(L"alwaysOn", choices.mode == PanelMode::AlwaysOn) && saved;
}
