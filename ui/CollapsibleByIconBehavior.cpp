#include "ui/CollapsibleByIconBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"
#include "ui/ElementTree.h"

#include <cwchar>

bool CollapsibleByIconBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    if (params.cmd != HL_MOUSE_DOWN && params.cmd != HL_MOUSE_DCLICK)
        return false;
    const ElementRef element(he);
    const ElementRef icon = SelectFirst(element, ".icon");
    if (!icon || !Contains(icon, params.target))
        return true;
    const wchar_t* state = element.Attribute("state");
    const bool opens = state != nullptr && _wcsicmp(state, L"close") <= 0;
    element.SetAttribute("state", opens ? L"open" : L"close");
    element.Update(Relayout::Yes);
    return true;
}
