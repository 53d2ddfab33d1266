#pragma once
#include <windows.h>

#include "engine/HTMLayout.h"

// The record of the command message of kind COMMAND_HYPERLINK (CommandInfo.h): what happened to
// a link of the "hyperlink" behavior. It lives for the call.
enum HyperlinkAction : int { HYPERLINK_ENTER = 1, HYPERLINK_LEAVE = 2, HYPERLINK_CLICK = 3 };

struct HyperlinkInfo {
    static constexpr UINT kTextLength = 2048;

    HWND Window = nullptr;  // the engine window holding the link
    int ControlId = 0;      // that window's control id
    int Code = 2;
    int Action = 0;                  // a HyperlinkAction
    wchar_t Href[kTextLength] = {};  // the "href" made absolute, zero-filled
    wchar_t Target[kTextLength] = {};
    HELEMENT Element = nullptr;
};
