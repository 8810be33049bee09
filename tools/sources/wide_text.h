#pragma once
// Text between the platform's wide strings and byte strings in a code page.
#include <windows.h>

#include <string>

std::string Narrow(const std::wstring& text, UINT codePage);
std::wstring Widen(const std::string& text, UINT codePage);
