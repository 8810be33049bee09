#include "widestring.h"

#include <objbase.h>

#include <objbase.h>

int WideLength(const WCHAR* text) {
    int length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

WCHAR* WideCopyBounded(WCHAR* destination, const WCHAR* source, int capacity) {
    if (capacity <= 0) {
        return destination;
    }
    int i = 0;
    for (; i < capacity - 1; ++i) {
        destination[i] = source[i];
        if (source[i] == 0) {
            return destination;
        }
    }
    destination[i] = 0;
    return destination;
}

void IntToWstr(int value, WCHAR* destination) {
    char narrow[32];
    wsprintfA(narrow, "%d", value);
    MultiByteToWideChar(CP_ACP, 0, narrow, -1, destination, 32);
}

HRESULT DuplicateWideString(const WCHAR* source, WCHAR** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    const SIZE_T bytes = (static_cast<SIZE_T>(WideLength(source)) + 1) * sizeof(WCHAR);
    *out = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
    if (*out == nullptr) {
        return E_OUTOFMEMORY;
    }
    CopyMemory(*out, source, bytes);
    return S_OK;
}
