#include "wide_text.h"

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(n > 0 ? static_cast<size_t>(n) : 0u, '\0');
    if (n > 0) {
        WideCharToMultiByte(codePage, 0, text.data(), size, &narrow[0], n, nullptr, nullptr);
    }
    return narrow;
}

std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 0u, L'\0');
    if (n > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], n);
    }
    return wide;
}
