#pragma once
// qvl_register format [WxH[@FPS]]: shows the camera's picture size and rate for the current
// user, or checks a new one by the camera's own rules and stores it. Returns the exit status.
int ShowFormat();
int SetFormat(const wchar_t* text);
