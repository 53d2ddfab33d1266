#pragma once
#include "ui/Behavior.h"

// "select-buddy": two lists in one container, the "[role='source']" one and the
// "[role='destination']" one, and buttons whose "action" moves options between them:
// "select-all" and "clear-all" check or uncheck every option of the source, "move-all" and
// "move-selected" move all or the checked options to the destination, "revoke-all" and
// "revoke-selected" move them back to where they stood in the source. Each option remembers that
// place in its "-srcindex" attribute.
class SelectBuddyBehavior : public Behavior {
public:
    SelectBuddyBehavior() : Behavior("select-buddy", HL_HANDLE_BEHAVIOR_EVENT) {}

protected:
    bool OnAttached(HELEMENT container) override;
    bool OnEvent(HELEMENT container, HtmlBehaviorEventParams& params) override;
};
