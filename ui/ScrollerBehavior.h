#pragma once
#include "ui/Behavior.h"

// "scroller": a panel whose content follows the pointer. Moving down the panel with no button
// held scrolls it in proportion, so that its whole content can be read without a click.
class ScrollerBehavior : public Behavior {
public:
    ScrollerBehavior() : Behavior("scroller", HL_HANDLE_MOUSE) {}

protected:
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
};
