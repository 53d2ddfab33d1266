#pragma once
#include "ui/Behavior.h"

// "actions": buttons whose "action" attribute says what they do. "alert:text" shows the text in
// a message box titled "alert!".
class ActionsBehavior : public Behavior {
public:
    ActionsBehavior() : Behavior("actions", HL_HANDLE_BEHAVIOR_EVENT) {}

protected:
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;
};
