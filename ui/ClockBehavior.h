#pragma once
#include "ui/Behavior.h"

// "clock": an analog clock drawn in the element's content, its hands moved once a second while
// it shows. Event 0x11 turns the ticking on (reason non-zero) or off, for pages that hide and
// show it.
class ClockBehavior : public Behavior {
public:
    static constexpr UINT kTickEvent = 0x11;

    ClockBehavior() : Behavior("clock", HL_HANDLE_TIMER | HL_HANDLE_DRAW | HL_HANDLE_BEHAVIOR_EVENT) {}

protected:
    bool OnAttached(HELEMENT element) override;
    bool OnDetached(HELEMENT element) override;
    bool OnTimer(HELEMENT element, HtmlTimerParams& params) override;
    bool OnDraw(HELEMENT element, HtmlDrawParams& params) override;
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;
};
