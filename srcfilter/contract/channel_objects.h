#pragma once
// The named kernel objects of a channel, made the same way by whichever side comes first: the
// camera or a producer. `security` is the descriptor a creator gives them (null: its default);
// the Windows 11 camera gives one that lets the interactive user's producer in.
#include <windows.h>

// The region `name`: created with `size` bytes, or, when it exists already, opened with all
// access and left at the size its creator gave it. Null when neither works.
HANDLE CreateOrOpenRegion(const char* name, DWORD size, SECURITY_ATTRIBUTES* security = nullptr);
// The mutex of the region `regionName` (that name with QVL_MUTEX_SUFFIX), created without an
// owner or opened. Null on failure, or when the name is too long.
HANDLE CreateOrOpenMutex(const char* regionName, SECURITY_ATTRIBUTES* security = nullptr);
// The optional frame signal of the region `regionName`: its block (QVL_SIGNAL_SUFFIX), made
// zero-filled by whichever side comes first, and the auto-reset event of one slot in it.
HANDLE CreateOrOpenSignalBlock(const char* regionName, SECURITY_ATTRIBUTES* security = nullptr);
HANDLE CreateOrOpenSlotEvent(const char* regionName, unsigned slot,
                             SECURITY_ATTRIBUTES* security = nullptr);

// The same objects opened only, never created, with no more than the rights an interactive
// user has on the Windows 11 camera's (QVL_MF_*_ACCESS). Null when they are not there.
HANDLE OpenRegion(const char* name);
HANDLE OpenChannelMutex(const char* regionName);
HANDLE OpenSignalBlock(const char* regionName);
HANDLE OpenSlotEvent(const char* regionName, unsigned slot);
