#pragma once
#include <windows.h>

// Centres a window over its owner (over the work area when the owner is hidden or minimised),
// kept inside the work area of the owner's monitor.
void CentreOnOwner(HWND window);

// The DPI of the monitor that the window is drawn on, as the system gives it to the window (the
// system's DPI before Windows 10); 96 when it cannot be read.
[[nodiscard]] int ScreenDpi(HWND window);

// A top-level window's answer to WM_DPICHANGED: its child windows, which the system does not tell
// the new DPI, are sent the same message first, then the window takes the rectangle the system
// suggests, so that the children are laid out once at the new scale and size.
void FollowDpiChange(HWND window, WPARAM wParam, LPARAM lParam);
