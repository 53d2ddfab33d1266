#pragma once
#include "ui/Behavior.h"

// "popup": a popup that closes itself once it has done its work: on a mouse release inside it,
// on a button or link clicked inside it, and when the focus leaves it for an element outside.
class PopupBehavior : public Behavior {
public:
    PopupBehavior() : Behavior("popup", HL_HANDLE_MOUSE | HL_HANDLE_FOCUS | HL_HANDLE_BEHAVIOR_EVENT) {}

protected:
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
    bool OnFocus(HELEMENT element, HtmlFocusParams& params) override;
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;
};
