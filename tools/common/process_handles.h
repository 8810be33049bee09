#pragma once
// Counts the kernel handles this process holds open. Wine's GetProcessHandleCount always
// reports 0, so the count comes from the system handle table instead.
#include <windows.h>

// The number of open handles, or -1 if the table cannot be read.
long OpenHandleCount();
