#pragma once
// The module's live objects and server locks, for DllCanUnloadNow.
#include <windows.h>

namespace ModuleCount {
void ObjectMade();
void ObjectGone();
void Lock(bool lock);
// True while no object lives and no lock is held.
bool Idle();
} // namespace ModuleCount
