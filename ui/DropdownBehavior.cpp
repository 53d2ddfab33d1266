#include "ui/DropdownBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"
#include "ui/ElementTree.h"

namespace {

constexpr UINT kBelow = 2;

} // namespace

bool DropdownBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    if (params.cmd != HL_MOUSE_DOWN)
        return false;
    const ElementRef element(he);
    const ElementRef popup = SelectFirst(element, ".popup,popup");
    // Presses inside the shown popup are its own (they reach this element as its ancestor).
    if (popup && Contains(popup, params.target))
        return false;
    if (popup && HTMLayoutShowPopup(popup.Handle(), he, kBelow) == HLDOM_OK)
        element.SetAttribute("popup-shown", L"true");
    return true;
}

bool DropdownBehavior::OnEvent(HELEMENT he, HtmlBehaviorEventParams& params)
{
    if (params.cmd != HL_POPUP_DISMISSED)
        return false;
    const ElementRef element(he);
    if (SelectFirst(element, ".popup,popup") == ElementRef(params.heTarget))
        element.SetAttribute("popup-shown", nullptr);
    return false;
}
