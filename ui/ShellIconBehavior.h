#pragma once
#include "ui/Behavior.h"

// "shell-icon": the system's small icon for the file named in "filename", found by its name
// alone (the file need not exist), drawn at the start of the element's content box.
class ShellIconBehavior : public Behavior {
public:
    ShellIconBehavior() : Behavior("shell-icon", HL_HANDLE_DRAW) {}

protected:
    bool OnDraw(HELEMENT element, HtmlDrawParams& params) override;
};
