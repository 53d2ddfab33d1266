#pragma once
#include "ui/Behavior.h"

// "select-checkmark": options with three-state check marks, kept in their "check" attribute
// ("on", "off", "mixed"). The check mark is the part of an option left of its content box (its
// left border and padding, where the page draws the mark). A left press there, or Space on the
// current option, toggles it; a press anywhere on an option makes it current. A group
// ("options") passes its mark to everything in it, and shows "mixed" when what it holds differs.
class SelectCheckmarkBehavior : public Behavior {
public:
    SelectCheckmarkBehavior() : Behavior("select-checkmark", HL_HANDLE_MOUSE | HL_HANDLE_KEY | HL_HANDLE_FOCUS) {}

protected:
    bool OnAttached(HELEMENT list) override;
    bool OnMouse(HELEMENT list, HtmlMouseParams& params) override;
    bool OnKey(HELEMENT list, HtmlKeyParams& params) override;
};
