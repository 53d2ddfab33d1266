#include "ui/CommandBehavior.h"

#include "ui/CommandInfo.h"
#include "ui/ElementRef.h"

#include <cwchar>

bool CommandBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    ElementRef element(he);
    if (params.cmd == HL_MOUSE_DOWN) {
        HTMLayoutSetCapture(he);
        element.SetState(HL_STATE_CURRENT, 0, Repaint::Yes);
        return true;
    }
    if (params.cmd != HL_MOUSE_UP)
        return false;
    // The capture keeps the release here even when it happens over another element.
    ReleaseCapture();
    const bool pressed = element.TestState(HL_STATE_CURRENT);
    if (pressed)
        element.SetState(0, HL_STATE_CURRENT, Repaint::Yes);
    const RECT box = element.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
    const POINT at = params.posDocument;
    const bool inside = at.x >= box.left && at.x < box.right && at.y >= box.top && at.y < box.bottom;
    if (pressed && inside)
        SendCommand(he);
    return true;
}

bool CommandBehavior::OnEvent(HELEMENT he, HtmlBehaviorEventParams& params)
{
    // The mouse's clicks never come this way: the mouse handler above takes them first.
    if (params.cmd != HL_BUTTON_CLICK || params.heTarget != he)
        return false;
    SendCommand(he);
    return true;
}

void CommandBehavior::SendCommand(HELEMENT he)
{
    ElementRef element(he);
    const wchar_t* id = element.Attribute("id");
    if (id == nullptr || id[0] == 0)
        return;
    CommandInfo info;
    info.Window = element.Window();
    info.ControlId = GetDlgCtrlID(info.Window);
    wcsncpy(info.Id, id, CommandInfo::kIdLength - 1);
    info.Element = he;
    SendMessageW(info.Window, WM_HTML_COMMAND, COMMAND_CLICK, reinterpret_cast<LPARAM>(&info));
}
