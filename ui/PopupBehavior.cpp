#include "ui/PopupBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"
#include "ui/ElementTree.h"

namespace {

// Posted to the popup when the focus left one of its elements: by then the focus has arrived
// where it went, and only then can the popup tell whether that is outside it. Codes from 0x100
// on are the program's own.
constexpr UINT kFocusLeft = 0x1F0;

void Hide(HELEMENT popup)
{
    static_cast<void>(HTMLayoutHidePopup(popup));
}

} // namespace

bool PopupBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    if (params.cmd == HL_MOUSE_UP && ElementRef(he).TestState(HL_STATE_POPUP))
        Hide(he);
    return false;
}

bool PopupBehavior::OnFocus(HELEMENT he, HtmlFocusParams& params)
{
    if (params.cmd == HL_FOCUS_LOST && ElementRef(he).TestState(HL_STATE_POPUP))
        static_cast<void>(HTMLayoutPostEvent(he, kFocusLeft, he, 0));
    return false;
}

bool PopupBehavior::OnEvent(HELEMENT he, HtmlBehaviorEventParams& params)
{
    const ElementRef popup(he);
    switch (params.cmd) {
    case HL_BUTTON_CLICK:
    case HL_HYPERLINK_CLICK:
        if (popup.TestState(HL_STATE_POPUP))
            Hide(he);
        return false;
    case kFocusLeft: {
        if (params.heTarget != he)
            return false;
        const ElementRef focus = SelectFirst(ElementRef::Root(popup.Window()), ":focus");
        if (popup.TestState(HL_STATE_POPUP) && focus && !Contains(popup, focus.Handle()))
            Hide(he);
        return true;
    }
    default: return false;
    }
}
