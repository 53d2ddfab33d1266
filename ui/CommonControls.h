#pragma once
#include <windows.h>
#include <commctrl.h>

// The common controls that pages may hold (date pickers, calendars) and the image-list calls
// that draw the shell's icons, from comctl32.dll loaded on first use: no page of the program's
// own needs them, and loading the library costs the start-up tens of milliseconds. The plain
// name lets the manifest's activation context pick version 6. Where it cannot be loaded, the
// calls fail as the system's own would.
namespace CommonControls {

// Registers the window classes (ICC_ flags); true when they are there to be made.
[[nodiscard]] bool Register(DWORD classes);
BOOL ImageListGetIconSize(HIMAGELIST list, int* width, int* height);
BOOL ImageListDraw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);

} // namespace CommonControls
