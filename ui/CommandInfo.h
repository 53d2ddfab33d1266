#pragma once
#include <windows.h>

#include "engine/HTMLayout.h"

// The command message that behaviors send to the engine window holding their element:
// wParam is one of CommandKind, lParam the record of that kind. The record lives for the call.
constexpr UINT WM_HTML_COMMAND = WM_USER + 100;

enum CommandKind : WPARAM {
    COMMAND_CLICK = 1,        // a CommandInfo: an element with the "command" behavior was clicked
    COMMAND_HYPERLINK = 2,    // the hyperlink behavior's record
    COMMAND_ROW_MENU = 3,     // the element under the mouse: a right press on a grid's data row
    COMMAND_ROW_DCLICK = 4,   // the element under the mouse: a left double click on a grid row
};

struct CommandInfo {
    static constexpr UINT kIdLength = 2048;

    HWND Window = nullptr;   // the engine window holding the element
    int ControlId = 0;       // that window's control id
    int Code = 1;
    wchar_t Id[kIdLength] = {};  // the element's "id", zero-filled
    HELEMENT Element = nullptr;
};
