#pragma once
#include "ui/Behavior.h"

// "grid": a table whose rows are chosen by the mouse and the keys. The table's own attributes
// say how: "fixedrows" header rows at the top, "multiple" for several checked rows. It keeps its
// current row (state current), the anchor of ranges (state anchor) and the checked rows in the
// rows themselves.
class GridBehavior : public Behavior {
public:
    GridBehavior() : Behavior("grid", HL_HANDLE_MOUSE | HL_HANDLE_KEY | HL_HANDLE_FOCUS) {}

protected:
    bool OnAttached(HELEMENT table) override;
    bool OnMouse(HELEMENT table, HtmlMouseParams& params) override;
    bool OnKey(HELEMENT table, HtmlKeyParams& params) override;
};
