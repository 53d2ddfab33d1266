// Drives a running Gatewarden as a user would, for scripts (tools/run.sh, tools/app-screenshots.sh):
//   AppDriver.exe command <name or id>      posts the menu command (TurnOff, About, ... as
//                                            views/Commands.h names them) to the main window
//   AppDriver.exe click <x> <y> [right]      clicks at a point of the main view's client area
//   AppDriver.exe row <n> [right]            makes the main view's table row n current (0: the header):
//                                            a click on its place, found through the view's accessible
//                                            tree, then Home and Down, since the list follows the pointer;
//                                            right: a right click on the row's place instead
//   AppDriver.exe key <virtual key> [ctrl]   presses and releases a key in the main window
//   AppDriver.exe size <width> <height>      gives the main window that size
// Input goes through SendInput, as a real mouse and keyboard would send it. Exits with 1 when the
// main window is not there.
#include "support/AccessibleTree.h"
#include "views/Commands.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t kCaption[] = L"Gatewarden v2.2";

// The commands the scripts send by name.
struct NamedCommand {
    const wchar_t* Name;
    UINT Id;
};
constexpr NamedCommand kCommands[] = {
    {L"TurnOff", Command::TurnOff},         {L"About", Command::About},
    {L"CloseToTray", Command::CloseToTray}, {L"NewProxy", Command::NewProxy},
    {L"EditProxy", Command::EditProxy},     {L"DeleteProxy", Command::DeleteProxy},
    {L"Activate", Command::Activate},
};

// A command's name or its number.
unsigned long CommandId(const wchar_t* text)
{
    for (const NamedCommand& command : kCommands) {
        if (std::wcscmp(text, command.Name) == 0)
            return command.Id;
    }
    return std::wcstoul(text, nullptr, 0);
}

void Send(INPUT input)
{
    SendInput(1, &input, sizeof(input));
    Sleep(30);
}

void Key(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    Send(input);
}

void Button(DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    Send(input);
}

void ClickAt(POINT screen, bool right)
{
    SetCursorPos(screen.x, screen.y);
    Sleep(50);
    Button(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Button(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    HWND window = FindWindowW(nullptr, kCaption);
    if (window == nullptr)
        return 1;
    const std::wstring verb = argv[1];
    const unsigned long value = std::wcstoul(argv[2], nullptr, 0);
    if (verb == L"command") {
        PostMessageW(window, WM_COMMAND, CommandId(argv[2]), 0);
        return 0;
    }
    if (verb == L"size" && argc >= 4) {
        SetWindowPos(window, nullptr, 0, 0, static_cast<int>(value), static_cast<int>(std::wcstol(argv[3], nullptr, 0)),
                     SWP_NOMOVE | SWP_NOZORDER);
        return 0;
    }
    SetForegroundWindow(window);
    Sleep(100);
    HWND view = GetWindow(window, GW_CHILD);
    if (verb == L"click" && argc >= 4) {
        POINT at{static_cast<LONG>(value), static_cast<LONG>(std::wcstol(argv[3], nullptr, 0))};
        ClientToScreen(view != nullptr ? view : window, &at);
        ClickAt(at, argc >= 5 && std::wstring(argv[4]) == L"right");
        return 0;
    }
    if (verb == L"row") {
        // The page, its table and the table's rows: no deeper.
        const auto row = AccessibleTree(view, AccessibleTree::Reading::RolesNamesAndPlaces, 2)
                             .Find(ROLE_SYSTEM_ROW, nullptr, static_cast<int>(value));
        if (!row)
            return 1;
        const bool right = argc >= 4 && std::wstring(argv[3]) == L"right";
        ClickAt(POINT{(row->Box.left + row->Box.right) / 2, (row->Box.top + row->Box.bottom) / 2}, right);
        if (right || value == 0)
            return 0;
        Key(VK_HOME, false);
        Key(VK_HOME, true);
        for (unsigned long i = 1; i < value; ++i) {
            Key(VK_DOWN, false);
            Key(VK_DOWN, true);
        }
        return 0;
    }
    if (verb == L"key") {
        const bool control = argc >= 4 && std::wstring(argv[3]) == L"ctrl";
        if (control)
            Key(VK_CONTROL, false);
        Key(static_cast<WORD>(value), false);
        Key(static_cast<WORD>(value), true);
        if (control)
            Key(VK_CONTROL, true);
        return 0;
    }
    return 2;
}
