#include "console_text.h"

#include "wide_text.h"

#include <io.h>

std::string ConsoleText(const std::wstring& text, std::FILE* stream) {
    return Narrow(text, _isatty(_fileno(stream)) != 0 ? GetConsoleOutputCP() : CP_UTF8);
}
