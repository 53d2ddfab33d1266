#pragma once
#include "engine/input/ControlValue.h"

#include <cstddef>

namespace Engine {

class Element;

// The kinds of the engine's inputs.
enum class ControlKind : unsigned {
    None = 0,  // not an input
    Unknown = 1,
    Edit = 2,
    Numeric = 3,
    Button = 4,
    CheckBox = 5,
    Radio = 6,
    SelectSingle = 7,
    SelectMultiple = 8,
    DropDown = 9,
    TextArea = 10,
    HtmlArea = 11,
    Password = 12,
    Progress = 13,
    Slider = 14,
    Decimal = 15,
    Currency = 16,
    Date = 22,
    Time = 23,
};

// The engine's own inputs. Values live in the markup itself, so that a page's HTML shows them:
// a text input's text is its "value" attribute, a text area's its content, a checkbox's its
// checked state. A drop-down is built as three children: caption (the current choice's text),
// button and popup (the option list).
class FormControls {
public:
    // After parsing: states from the checked, selected, disabled and readonly attributes,
    // links marked, and drop-downs given their three children where the nesting cap leaves
    // room for them. root is the root of its tree and will sit rootDepth levels deep.
    static void PrepareTree(Element& root, std::size_t rootDepth = 0);

    // The kind from the element's engine behavior (its "behavior" style), else from its tag.
    [[nodiscard]] static ControlKind ControlType(const Element& element);
    [[nodiscard]] static ControlValue GetValue(Element& element);
    [[nodiscard]] static bool SetValue(Element& element, const ControlValue& value);

    // The text that inner text reads and writes: an input's value, else the content's text.
    [[nodiscard]] static bool IsValueInput(const Element& element);

    // A drop-down's option got the current or checked bit: it becomes the only choice.
    static void StateChanged(Element& element, unsigned before);
    // The engine's click: checkboxes toggle, radio buttons check; true when the element is a
    // clickable input.
    [[nodiscard]] static bool Click(Element& element);
    [[nodiscard]] static Element* DropDownOf(Element& option);
    // The input a label names by its "for" attribute, else the first one inside it.
    [[nodiscard]] static Element* LabelledControl(Element& label);
    static void Choose(Element& select, Element* option);
};

} // namespace Engine
