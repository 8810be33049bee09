#pragma once
// Lets the user drag out a rectangle of the screen on a dimmed overlay that covers the whole
// virtual desktop (a topmost window). Esc or the right button cancels.
#include <windows.h>

// True, with the rectangle in virtual-desktop coordinates (physical pixels), once the user has
// dragged one out; false when cancelled (or the screen cannot be read). Runs its own message
// loop until then.
bool DragOutRegion(HINSTANCE instance, RECT& region);
