#pragma once
#include "ui/Behavior.h"

// "command": toolbar and dialog buttons. A press and a release inside the same element send its
// id to the engine window as a COMMAND_CLICK.
class CommandBehavior : public Behavior {
public:
    CommandBehavior() : Behavior("command", HL_HANDLE_MOUSE) {}

protected:
    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override;
};
