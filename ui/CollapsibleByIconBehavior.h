#pragma once
#include "ui/Behavior.h"

// "collapsible-by-icon": a section that opens and closes only by its ".icon"; its "state"
// attribute ("open", "close") says which, for the page's styles. Presses elsewhere on it are
// taken too, so that they do nothing.
class CollapsibleByIconBehavior : public Behavior {
public:
    CollapsibleByIconBehavior() : Behavior("collapsible-by-icon", HL_HANDLE_MOUSE) {}

protected:
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
};
