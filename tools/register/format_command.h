#pragma once
// qvl_register format [--user] [WxH[@FPS]]: shows the camera's picture size and rate for the
// current user and for the machine, or checks a new one by the camera's own rules and stores
// it for the current user and, when the tool runs elevated and `scope` is the machine, for
// the machine too. Returns the exit status.
#include "scope.h"

int ShowFormat();
int SetFormat(const wchar_t* text, Scope scope);
