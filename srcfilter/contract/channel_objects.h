#pragma once
// The two named kernel objects of the channel, made the same way by whichever side comes
// first: the camera or a producer.
#include <windows.h>

// The region `name`: created with `size` bytes, or, when it exists already, opened with all
// access and left at the size its creator gave it. Null when neither works.
HANDLE CreateOrOpenRegion(const char* name, DWORD size);
// The mutex of the region `regionName` (that name with QVL_MUTEX_SUFFIX), created without an
// owner or opened. Null on failure, or when the name is too long.
HANDLE CreateOrOpenMutex(const char* regionName);
// The optional frame signal of the region `regionName`: its block (QVL_SIGNAL_SUFFIX), made
// zero-filled by whichever side comes first, and the auto-reset event of one slot in it.
HANDLE CreateOrOpenSignalBlock(const char* regionName);
HANDLE CreateOrOpenSlotEvent(const char* regionName, unsigned slot);
