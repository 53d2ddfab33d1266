// Posts a menu command to a top-level window found by its caption, as choosing it would:
//   PostCommand.exe "<caption>" <command id>
// Exits with 1 when no such window exists.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    HWND window = FindWindowW(nullptr, argv[1]);
    if (window == nullptr)
        return 1;
    PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(std::wcstoul(argv[2], nullptr, 0)), 0);
    return 0;
}
