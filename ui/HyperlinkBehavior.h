#pragma once
#include "ui/Behavior.h"

// "hyperlink": links that tell the engine window's host what the pointer does with them. Entering,
// leaving and clicking (a left press and release on the link, or Space or Enter released on it)
// send the command message with a HyperlinkInfo. A click on an "#name" address scrolls to that
// place in the page instead, and one with a "target" naming an element (not "_self" and the
// like) loads the address into that element instead. The link is current while pressed.
class HyperlinkBehavior : public Behavior {
public:
    HyperlinkBehavior()
        : Behavior("hyperlink", HL_HANDLE_MOUSE | HL_HANDLE_KEY | HL_HANDLE_FOCUS | HL_HANDLE_METHOD_CALL)
    {
    }

protected:
    bool OnMouse(HELEMENT link, HtmlMouseParams& params) override;
    bool OnKey(HELEMENT link, HtmlKeyParams& params) override;
    bool OnMethodCall(HELEMENT link, HtmlMethodParams& params) override;

private:
    static void Click(HELEMENT link);
};
