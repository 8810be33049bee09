#include "source_text.h"

#include <cerrno>
#include <cwchar>

namespace {

// A whole number in `text` up to a comma or the end; `text` moves past the comma.
bool ParseInteger(const wchar_t*& text, long& value) {
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstol(text, &end, 10);
    if (end == text || errno != 0 || (*end != L',' && *end != L'\0')) {
        return false;
    }
    text = *end == L',' ? end + 1 : end;
    return true;
}

} // namespace

bool ParseRegionText(const wchar_t* text, RECT& region) {
    long values[4];
    const wchar_t* at = text;
    for (long& value : values) {
        if (*at == L'\0' || !ParseInteger(at, value)) {
            return false;
        }
    }
    if (*at != L'\0' || values[2] < 1 || values[3] < 1 || values[2] > 65536 || values[3] > 65536) {
        return false;
    }
    region = {values[0], values[1], values[0] + values[2], values[1] + values[3]};
    return true;
}

std::wstring RegionText(const RECT& region) {
    return std::to_wstring(region.left) + L"," + std::to_wstring(region.top) + L"," +
           std::to_wstring(region.right - region.left) + L"," +
           std::to_wstring(region.bottom - region.top);
}

bool ParseMonitorNumber(const wchar_t* text, int& index) {
    wchar_t* end = nullptr;
    errno = 0;
    const long number = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0' || errno != 0 || number < 1 || number > 64) {
        return false;
    }
    index = static_cast<int>(number);
    return true;
}
