#pragma once
#include "ui/Behavior.h"

// "form": an element whose named inputs travel together. It remembers their values as the page
// opened them, so that a reset button ("type" reset) brings those back, and a submit button
// ("type" submit) sends them to the element's "action" address, as a POST when "method" is post,
// else as a GET. The HTML that answers is shown in a modal dialog over the page. Each form keeps
// its own initial values, so every element gets a handler of its own, freed when it detaches.
class FormBehavior : public Behavior {
public:
    FormBehavior() : Behavior("form", HL_HANDLE_DATA_ARRIVED | HL_HANDLE_BEHAVIOR_EVENT) {}

    EventHandler* HandlerFor(HELEMENT element) override;
};
