#pragma once
#include "ui/Behavior.h"

// "editable-select": a list whose options the user may rename and add to. A button with the
// action "edit-list" opens the list for editing (it becomes "Save", action "save-list") and
// puts an "Add new item here..." button after the options; "save-list" closes it again.
// While the list is editable its options take the focus: typed characters go to the end of the
// focused option's text and Backspace takes the last one away; Up and Down (and Enter, as in a
// list of fields) move to the option before or after; an option left empty loses the focus and
// is removed, so that no blank item stays behind.
class EditableSelectBehavior : public Behavior {
public:
    EditableSelectBehavior()
        : Behavior("editable-select", HL_HANDLE_KEY | HL_HANDLE_FOCUS | HL_HANDLE_BEHAVIOR_EVENT)
    {
    }

protected:
    bool OnKey(HELEMENT element, HtmlKeyParams& params) override;
    bool OnFocus(HELEMENT element, HtmlFocusParams& params) override;
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;
};
