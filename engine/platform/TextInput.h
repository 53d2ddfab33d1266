#pragma once
#include "engine/input/TextEditor.h"

#include <windows.h>

namespace Engine {

class Element;
class View;

// Editing of the focused one-line input (text, password, number and the like): keys and
// characters the page did not take, clicks that place the caret, the clipboard. The text is
// the input's value; every edit sends the value-changed event. A number input takes digits and
// a sign only, and Up and Down step it within its min and max.
class TextInput {
public:
    explicit TextInput(View& view) : m_view(view) {}

    [[nodiscard]] static bool IsEditable(const Element& element);
    // True when the key was an editing key for the focused input.
    bool OnKey(Element& input, UINT key, bool shift, bool control);
    bool OnChar(Element& input, wchar_t character);
    void OnClick(Element& input, int x, int y, bool extend, bool word);
    // The keyboard brought the focus: the whole text is selected, as in Windows' edit boxes.
    void Enter(Element& input);
    // A number input steps by its step within its min and max (Up, Down, the wheel, the spin buttons).
    void Step(Element& input, int direction);
    [[nodiscard]] static bool IsNumber(const Element& input);
    // The focus moved: the caret leaves the old input.
    void Leave(Element* input);
    // The caret's blink: shown and hidden in turn at the system's rate.
    void Blink();
    static constexpr UINT_PTR kBlinkTimer = 0x7DFE;

private:
    TextEditor& Editor(Element& input);
    void Commit(Element& input, bool changed);

    [[nodiscard]] std::size_t IndexAt(Element& input, int x, int y) const;

    View& m_view;
    TextEditor m_editor;
    Element* m_input = nullptr;  // what m_editor edits; used while held
    wchar_t m_highSurrogate = 0;
};

} // namespace Engine
