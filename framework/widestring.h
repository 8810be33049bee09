#pragma once
// Helpers on NUL-terminated 16-bit strings used by the name and identifier queries.
#include <windows.h>

int WideLength(const WCHAR* text);
WCHAR* WideCopyBounded(WCHAR* destination, const WCHAR* source, int capacity);
void IntToWstr(int value, WCHAR* destination);
HRESULT DuplicateWideString(const WCHAR* source, WCHAR** out);
