#pragma once
#include <windows.h>

namespace Engine {

class Element;
class View;

// Keyboard messages of one engine window: keys and characters go to the focused element as key
// events (routed as every event is); what no procedure took, the engine answers as a dialog
// would: Tab and Shift+Tab move the focus, Space and Enter press the focused button, checkbox
// or radio button.
class KeyboardInput {
public:
    explicit KeyboardInput(View& view) : m_view(view) {}

    // True when a procedure or the engine itself took the key.
    bool OnKey(UINT message, WPARAM key, LPARAM flags);
    void OnChar(WPARAM character);
    // What a dialog around the window should leave to the page.
    [[nodiscard]] LRESULT DialogCode(const MSG* message) const;
    // The window took the focus: a page without a focused element focuses its first one.
    void OnSetFocus();
    // Moves the focus along the tab order; false when the page has nothing to focus.
    bool MoveFocus(bool backward);

private:
    bool Send(UINT command, UINT code);
    bool DropDownKey(Element& select, UINT code);
    void RadioArrow(Element& radio, bool forward);
    View& m_view;
};

} // namespace Engine
