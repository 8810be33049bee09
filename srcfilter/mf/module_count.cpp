#include "module_count.h"

namespace {
volatile LONG objects = 0;
volatile LONG locks = 0;
} // namespace

void ModuleCount::ObjectMade() {
    InterlockedIncrement(&objects);
}

void ModuleCount::ObjectGone() {
    InterlockedDecrement(&objects);
}

void ModuleCount::Lock(bool lock) {
    lock ? InterlockedIncrement(&locks) : InterlockedDecrement(&locks);
}

bool ModuleCount::Idle() {
    return objects == 0 && locks == 0;
}
