#pragma once
#include "ui/Behavior.h"

// "command": toolbar and dialog buttons. A press and a release inside the same element send its
// id to the engine window as a COMMAND_CLICK, and so does the engine's click of the focused
// button by Space or Enter.
class CommandBehavior : public Behavior {
public:
    CommandBehavior() : Behavior("command", HL_HANDLE_MOUSE | HL_HANDLE_BEHAVIOR_EVENT) {}

protected:
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override;

private:
    static void SendCommand(HELEMENT element);
};
