#pragma once
#include <windows.h>

// Centres a window over its owner (over the work area when the owner is hidden or minimised),
// kept inside the work area of the owner's monitor.
void CentreOnOwner(HWND window);

// The vertical DPI of the screen that the window is drawn on; 96 when it cannot be read.
[[nodiscard]] int ScreenDpi(HWND window);
