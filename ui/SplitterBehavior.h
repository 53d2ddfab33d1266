#pragma once
#include "ui/Behavior.h"

// "splitter": a bar between two elements that the left button drags. In a parent whose "flow"
// style is "horizontal" the element before it takes the dragged width and the one after it the
// rest ("100%"); in any other flow the same goes for their heights.
class SplitterBehavior : public Behavior {
public:
    SplitterBehavior() : Behavior("splitter", HL_HANDLE_MOUSE) {}

protected:
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
};
