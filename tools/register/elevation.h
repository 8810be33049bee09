#pragma once
// Whether this process runs with an administrator's full rights (elevated): the machine's
// settings and the Windows 11 camera need them.
bool IsElevated();
