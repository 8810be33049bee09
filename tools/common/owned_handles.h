#pragma once
// Owners of the kernel handle and the mapped view that a producer of frames holds.
#include <windows.h>

// Owns one kernel handle.
class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h(h) {}
    ~Handle() {
        if (h != nullptr) {
            CloseHandle(h);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h; }

private:
    HANDLE h;
};

// Owns one mapped view of a whole region.
class View {
public:
    explicit View(HANDLE mapping)
        : address(static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))) {}
    ~View() {
        if (address != nullptr) {
            UnmapViewOfFile(address);
        }
    }
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    BYTE* Get() const { return address; }
    SIZE_T Span() const {
        MEMORY_BASIC_INFORMATION info = {};
        return VirtualQuery(address, &info, sizeof(info)) == 0 ? 0 : info.RegionSize;
    }

private:
    BYTE* address;
};
