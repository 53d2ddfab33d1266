#pragma once
#include "ui/Behavior.h"

// "path": the element's text on one line, vertically centred; a path too long for the box loses
// its middle to an ellipsis, so that both its drive and its file name stay in sight.
class PathBehavior : public Behavior {
public:
    // DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS.
    static constexpr UINT kDrawFlags = 0x4824;
    static_assert(kDrawFlags == (DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS));

    PathBehavior() : Behavior("path", HL_HANDLE_DRAW) {}

protected:
    bool OnDraw(HELEMENT element, HtmlDrawParams& params) override;
};
