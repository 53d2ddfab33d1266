#pragma once
#include "ui/Behavior.h"

// "tabs": a tab strip and its panels. A tab names its panel in "panel"; the panel carries that
// name in "name". The chosen tab and panel carry "selected" (and the states :current and
// :expanded); the tab left gets event 0x90, the new one 0x91.
class TabsBehavior : public Behavior {
public:
    TabsBehavior() : Behavior("tabs", HL_HANDLE_MOUSE | HL_HANDLE_KEY | HL_HANDLE_FOCUS | HL_HANDLE_BEHAVIOR_EVENT) {}

protected:
    bool OnAttached(HELEMENT element) override;
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
    bool OnKey(HELEMENT element, HtmlKeyParams& params) override;
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;
};
