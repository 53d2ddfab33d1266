#pragma once
#include <string>
#include <vector>

namespace Engine {

class Element;

// What an element is to someone who cannot see the page: the roles a screen reader announces.
enum class AccessRole {
    None,  // not shown on its own: its exposed descendants stand in its place
    Page,
    PushButton,
    CheckBox,
    RadioButton,
    EditableText,
    ComboBox,
    List,
    ListItem,
    Table,
    Row,
    Cell,
    ColumnHeader,
    Link,
    Graphic,
    StaticText,
    Log,  // a live region whose new lines a screen reader reads as they come (role="log")
};

// States beside the element's own state bits, as accessibility tools read them.
enum AccessState : unsigned {
    kAccessFocused = 0x1,
    kAccessFocusable = 0x2,
    kAccessChecked = 0x4,
    kAccessUnavailable = 0x8,
    kAccessSelected = 0x10,
    kAccessSelectable = 0x20,
    kAccessReadOnly = 0x40,
    kAccessProtected = 0x80,
    kAccessInvisible = 0x100,
    kAccessExpanded = 0x200,
    kAccessCollapsed = 0x400,
    kAccessPressed = 0x800,
    kAccessHot = 0x1000,
    kAccessLinked = 0x2000,
};

enum class AccessAction { None, Press, Check, Uncheck, Open, Close, Jump, Select };

// The page as an accessible tree, read from the element tree and its boxes: which elements are
// shown, what each is called, holds and is, and what its default action does. Layout tables and
// plain containers are not shown themselves; their contents take their place.
class Accessibility {
public:
    [[nodiscard]] static AccessRole RoleOf(const Element& element);
    // The exposed elements right below this one, in document order.
    static void Children(const Element& element, std::vector<Element*>& children);
    // The nearest exposed ancestor, or the root.
    [[nodiscard]] static Element* Parent(const Element& element);
    // The element itself when exposed, else its nearest exposed ancestor (the root at last).
    [[nodiscard]] static Element* Exposed(Element& element);
    // Its label's text (a label for it, or around it), else its title, else its own text.
    [[nodiscard]] static std::wstring NameOf(const Element& element);
    // An input's text, a drop-down's choice, a link's address; empty for the rest.
    [[nodiscard]] static std::wstring ValueOf(Element& element);
    [[nodiscard]] static unsigned StatesOf(const Element& element);
    [[nodiscard]] static AccessAction DefaultActionOf(const Element& element);
    // Text with runs of white space as one blank, trimmed.
    [[nodiscard]] static std::wstring CollapsedText(const Element& element);
};

} // namespace Engine
