#include "ui/ScrollerBehavior.h"

#include "ui/ElementRef.h"

bool ScrollerBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    if (params.cmd != (HL_MOUSE_MOVE | HL_SINKING) || params.buttonState != 0)
        return false;
    POINT position{};
    RECT view{};
    SIZE content{};
    if (HTMLayoutGetScrollInfo(he, &position, &view, &content) != HLDOM_OK)
        return false;
    // The view rectangle is in the element's own coordinates; so is the pointer, made from its
    // place in the window.
    const RECT box = ElementRef(he).Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
    const POINT at{params.posDocument.x - box.left, params.posDocument.y - box.top};
    const long viewHeight = view.bottom - view.top;
    if (at.x < view.left || at.x > view.right || at.y < view.top || at.y > view.bottom || viewHeight <= 0 ||
        viewHeight >= content.cy)
        return false;
    const long long wanted = static_cast<long long>(content.cy - viewHeight) * at.y / viewHeight;
    if (wanted != position.y)
        HTMLayoutSetScrollPos(he, POINT{position.x, static_cast<LONG>(wanted)}, TRUE);
    return false;
}
