#pragma once
#include "ui/Behavior.h"

// "dropdown": a press on the element shows its first ".popup" (or "popup") below it. While the
// popup shows, the element carries "popup-shown", for the page's styles; the attribute goes when
// the popup closes, whatever closed it.
class DropdownBehavior : public Behavior {
public:
    DropdownBehavior() : Behavior("dropdown", HL_HANDLE_MOUSE | HL_HANDLE_BEHAVIOR_EVENT) {}

protected:
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;
};
