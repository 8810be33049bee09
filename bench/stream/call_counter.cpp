#include "call_counter.h"

#include <atomic>
#include <cstring>

namespace bench {
namespace {

std::atomic<DWORD> watched{0};

template <typename R, typename... A> using Fn = R(WINAPI*)(A...);

struct Hooked {
    const char* name;
    void* original;
    void* stub;
    std::atomic<long> calls;
};

// One stub per counted function: counts when called on the watched thread, then passes on.
template <int I, typename R, typename... A> R WINAPI Stub(A... args);

#define COUNTED(I, name)                                                                           \
    {                                                                                              \
#name, reinterpret_cast < void*>(&name), Make < I>(&name), {                               \
            0                                                                                      \
        }                                                                                          \
    }
template <int I, typename R, typename... A> void* Make(Fn<R, A...>) {
    return reinterpret_cast<void*>(&Stub<I, R, A...>);
}

Hooked hooked[] = {
    COUNTED(0, WaitForSingleObject),
    COUNTED(1, WaitForSingleObjectEx),
    COUNTED(2, WaitForMultipleObjects),
    COUNTED(3, WaitForMultipleObjectsEx),
    COUNTED(4, ReleaseMutex),
    COUNTED(5, SetEvent),
    COUNTED(6, ResetEvent),
    COUNTED(7, SetWaitableTimer),
    COUNTED(8, Sleep),
    COUNTED(9, SleepEx),
    COUNTED(10, CloseHandle),
    COUNTED(11, CreateEventW),
    COUNTED(12, CreateMutexA),
    COUNTED(13, DuplicateHandle),
    COUNTED(14, ReleaseSemaphore),
    COUNTED(15, SwitchToThread),
};
#undef COUNTED

template <int I, typename R, typename... A> R WINAPI Stub(A... args) {
    if (GetCurrentThreadId() == watched.load(std::memory_order_relaxed)) {
        hooked[I].calls.fetch_add(1, std::memory_order_relaxed);
    }
    return reinterpret_cast<Fn<R, A...>>(hooked[I].original)(args...);
}

Hooked* Find(const char* name) {
    for (Hooked& h : hooked) {
        if (std::strcmp(h.name, name) == 0) {
            return &h;
        }
    }
    return nullptr;
}

template <typename T> T* At(HMODULE module, DWORD rva) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

} // namespace

CallCounter::CallCounter(HMODULE m) : module(m) {
    Patch(true);
}

CallCounter::~CallCounter() {
    Patch(false);
}

// Walks every import descriptor by name, so that forwarded and API-set imports count too.
void CallCounter::Patch(bool install) {
    if (module == nullptr) {
        return;
    }
    const auto* dos = At<IMAGE_DOS_HEADER>(module, 0);
    const auto* nt = At<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) {
        return;
    }
    for (auto* d = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); d->Name != 0; ++d) {
        auto* names = At<IMAGE_THUNK_DATA>(module, d->OriginalFirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA>(module, d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
            Hooked* h = Find(reinterpret_cast<const char*>(byName->Name));
            if (h == nullptr) {
                continue;
            }
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
            if (install) {
                h->original = reinterpret_cast<void*>(slots->u1.Function);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(h->stub);
                ++patched;
            } else {
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(h->original);
            }
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
        }
    }
}

void CallCounter::Start(DWORD threadId) {
    watched.store(0);
    for (Hooked& h : hooked) {
        h.calls.store(0);
    }
    watched.store(threadId);
}

void CallCounter::Stop() {
    watched.store(0);
}

long CallCounter::Total() const {
    long total = 0;
    for (const Hooked& h : hooked) {
        total += h.calls.load();
    }
    return total;
}

int CallCounter::Read(CallCount* counts, int capacity) const {
    int n = 0;
    for (const Hooked& h : hooked) {
        if (h.calls.load() > 0 && n < capacity) {
            counts[n++] = {h.name, h.calls.load()};
        }
    }
    return n;
}

} // namespace bench
