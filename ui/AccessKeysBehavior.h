#pragma once
#include "ui/Behavior.h"

#include <string>

// The name a key press goes by in "accesskey" and "accesskey-alt" attributes: "^S" for Ctrl+S,
// "!F5" for a plain F5, the typed character for Alt with a key. Shift without Alt, keys without
// a name and quotes (which would end the selector's string) give none: the empty string.
// keyStates are the engine's (1 Ctrl, 2 Shift, 4 Alt); character is what the key types, for Alt.
[[nodiscard]] std::string AccessKeyName(UINT virtualKey, UINT keyStates, wchar_t character);

// "accesskeys": keyboard shortcuts for a page. A key press on its way down is named as above and
// the element that carries that name is clicked, looked for in the parent window's page first
// when this window has the focus (a page shown inside another), then in this page, then in the
// pages of its visible, enabled frames.
class AccessKeysBehavior : public Behavior {
public:
    AccessKeysBehavior() : Behavior("accesskeys", HL_HANDLE_KEY) {}

protected:
    bool OnKey(HELEMENT element, HtmlKeyParams& params) override;
};
