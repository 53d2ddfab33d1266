#include "engine/input/Accessibility.h"

#include "engine/css/ComputedStyle.h"
#include "engine/dom/Element.h"
#include "engine/dom/Text.h"
#include "engine/input/FocusOrder.h"
#include "engine/input/FormControls.h"

#include <cwctype>
#include <utility>

namespace Engine {

namespace {

bool IsRowGroup(const std::string& tag)
{
    return tag == "thead" || tag == "tbody" || tag == "tfoot";
}

const Element* TableOf(const Element& row)
{
    const Element* at = row.Parent();
    if (at != nullptr && IsRowGroup(at->Tag()))
        at = at->Parent();
    return at != nullptr && at->Tag() == "table" ? at : nullptr;
}

// A table that holds data rather than placing things side by side: it has header cells, or
// names its header rows.
bool IsDataTable(const Element& table)
{
    if (table.HasAttribute("fixedrows"))
        return true;
    for (const Element* child : table.Children()) {
        const std::vector<Element*> single{const_cast<Element*>(child)};
        for (const Element* row : IsRowGroup(child->Tag()) ? child->Children() : single) {
            for (const Element* cell : row->Children()) {
                if (cell->Tag() == "th")
                    return true;
            }
        }
    }
    return false;
}

bool HasOwnText(const Element& element)
{
    for (const Node* node : element.Nodes()) {
        if (node->Kind() != NodeKind::Text)
            continue;
        for (wchar_t c : static_cast<const Text*>(node)->Data()) {
            if (!std::iswspace(c))
                return true;
        }
    }
    return false;
}

// Roles whose name is their whole text: what lies inside them is read as part of them.
bool TakesText(AccessRole role)
{
    switch (role) {
    case AccessRole::PushButton: case AccessRole::Link: case AccessRole::Cell: case AccessRole::ColumnHeader:
    case AccessRole::ListItem: case AccessRole::StaticText: case AccessRole::Graphic: case AccessRole::CheckBox:
    case AccessRole::RadioButton: case AccessRole::EditableText: case AccessRole::ComboBox:
        return true;
    default: return false;
    }
}

bool IsInsideDropDown(const Element& element)
{
    for (const Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
        if (FormControls::ControlType(*at) == ControlKind::DropDown)
            return true;
    }
    return false;
}

// The role an element has by itself, before its ancestors are asked whether they take its text.
AccessRole OwnRole(const Element& element)
{
    const std::string& tag = element.Tag();
    if (element.Parent() == nullptr)
        return AccessRole::Page;
    if (tag == "option")
        return AccessRole::ListItem;
    if (tag == "popup" && FormControls::ControlType(*element.Parent()) == ControlKind::DropDown)
        return AccessRole::List;
    // A drop-down's caption and button are drawn parts of it, not controls of their own.
    if (IsInsideDropDown(element))
        return AccessRole::None;
    switch (FormControls::ControlType(element)) {
    case ControlKind::Button: return AccessRole::PushButton;
    case ControlKind::CheckBox: return AccessRole::CheckBox;
    case ControlKind::Radio: return AccessRole::RadioButton;
    case ControlKind::Edit: case ControlKind::Numeric: case ControlKind::TextArea: case ControlKind::Password: case ControlKind::Decimal:
    case ControlKind::Currency: case ControlKind::HtmlArea:
        return AccessRole::EditableText;
    case ControlKind::DropDown: return AccessRole::ComboBox;
    case ControlKind::SelectSingle: case ControlKind::SelectMultiple: return AccessRole::List;
    default: break;
    }
    if (tag == "button")
        return AccessRole::PushButton;
    if (tag == "a" && element.HasAttribute("href"))
        return AccessRole::Link;
    if (tag == "img")
        return AccessRole::Graphic;
    if (const std::wstring* role = element.FindAttribute("role"); role != nullptr && *role == L"log")
        return AccessRole::Log;
    if (tag == "table")
        return IsDataTable(element) ? AccessRole::Table : AccessRole::None;
    if (tag == "tr") {
        const Element* table = TableOf(element);
        return table != nullptr && IsDataTable(*table) ? AccessRole::Row : AccessRole::None;
    }
    if (tag == "td" || tag == "th") {
        const Element* table = element.Parent() != nullptr ? TableOf(*element.Parent()) : nullptr;
        if (table != nullptr && IsDataTable(*table))
            return tag == "th" ? AccessRole::ColumnHeader : AccessRole::Cell;
    }
    return HasOwnText(element) ? AccessRole::StaticText : AccessRole::None;
}

bool IsShown(const Element& element)
{
    if (element.LayoutBox() != nullptr)
        return true;
    // A closed drop-down still has its list, as the system's combo boxes do.
    for (const Element* at = &element; at != nullptr; at = at->Parent()) {
        if (at->Tag() == "popup")
            return at->Parent() != nullptr && FormControls::ControlType(*at->Parent()) == ControlKind::DropDown;
    }
    return false;
}

void AppendCollapsed(std::wstring& out, const std::wstring& text, bool& blank)
{
    for (wchar_t c : text) {
        if (std::iswspace(c) || c == 0xA0) {
            blank = !out.empty();
        } else {
            if (blank)
                out.push_back(L' ');
            blank = false;
            out.push_back(c);
        }
    }
}

const Element* LabelFor(const Element& control)
{
    const std::wstring* id = control.FindAttribute("id");
    if (id != nullptr && !id->empty()) {
        std::vector<Element*> pending;
        const_cast<Element&>(control).Root()->PushChildrenReversed(pending);
        while (!pending.empty()) {
            Element* at = pending.back();
            pending.pop_back();
            if (at->Tag() == "label") {
                const std::wstring* target = at->FindAttribute("for");
                if (target != nullptr && *target == *id)
                    return at;
            }
            at->PushChildrenReversed(pending);
        }
    }
    for (const Element* at = control.Parent(); at != nullptr; at = at->Parent()) {
        if (at->Tag() == "label")
            return at;
    }
    return nullptr;
}

std::wstring AttributeText(const Element& element, const char* name)
{
    const std::wstring* value = element.FindAttribute(name);
    return value != nullptr ? *value : std::wstring();
}

} // namespace

std::wstring Accessibility::CollapsedText(const Element& element)
{
    std::wstring out;
    bool blank = false;
    std::vector<const Node*> pending{&element};
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (node->Kind() == NodeKind::Text) {
            AppendCollapsed(out, static_cast<const Text*>(node)->Data(), blank);
            continue;
        }
        const auto& nodes = static_cast<const Element*>(node)->Nodes();
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
            pending.push_back(*it);
    }
    return out;
}

AccessRole Accessibility::RoleOf(const Element& element)
{
    const AccessRole role = OwnRole(element);
    if (role == AccessRole::Page)
        return role;
    if (role == AccessRole::None || !IsShown(element))
        return AccessRole::None;
    // Text and pictures inside a button, a link or a cell are read as part of it.
    if (role == AccessRole::StaticText || role == AccessRole::Graphic) {
        for (const Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
            if (TakesText(OwnRole(*at)))
                return AccessRole::None;
        }
    }
    return role;
}

void Accessibility::Children(const Element& element, std::vector<Element*>& children)
{
    children.clear();
    std::vector<Element*> pending;
    element.PushChildrenReversed(pending);
    while (!pending.empty()) {
        Element* at = pending.back();
        pending.pop_back();
        if (!IsShown(*at))
            continue;
        if (RoleOf(*at) != AccessRole::None)
            children.push_back(at);
        else
            at->PushChildrenReversed(pending);
    }
}

Element* Accessibility::Parent(const Element& element)
{
    Element* at = element.Parent();
    while (at != nullptr && at->Parent() != nullptr && RoleOf(*at) == AccessRole::None)
        at = at->Parent();
    return at;
}

Element* Accessibility::Exposed(Element& element)
{
    Element* at = &element;
    while (at->Parent() != nullptr && RoleOf(*at) == AccessRole::None)
        at = at->Parent();
    return at;
}

std::wstring Accessibility::NameOf(const Element& element)
{
    const AccessRole role = RoleOf(element);
    switch (role) {
    case AccessRole::Page: {
        std::vector<Element*> pending;
        element.PushChildrenReversed(pending);
        while (!pending.empty()) {
            Element* at = pending.back();
            pending.pop_back();
            if (at->Tag() == "title")
                return CollapsedText(*at);
            if (at->Tag() != "body")
                at->PushChildrenReversed(pending);
        }
        return {};
    }
    case AccessRole::CheckBox: case AccessRole::RadioButton: case AccessRole::EditableText: case AccessRole::ComboBox:
    case AccessRole::List:
        if (const Element* label = LabelFor(element)) {
            std::wstring text = CollapsedText(*label);
            if (!text.empty())
                return text;
        }
        return AttributeText(element, "title");
    case AccessRole::Graphic: {
        std::wstring alt = AttributeText(element, "alt");
        return alt.empty() ? AttributeText(element, "title") : alt;
    }
    case AccessRole::Log: return AttributeText(element, "aria-label");
    case AccessRole::Table: {
        for (const Element* child : element.Children()) {
            if (child->Tag() == "caption")
                return CollapsedText(*child);
        }
        return AttributeText(element, "title");
    }
    case AccessRole::Row: {
        std::wstring name;
        for (const Element* cell : element.Children()) {
            std::wstring text = CollapsedText(*cell);
            if (text.empty())
                continue;
            if (!name.empty())
                name += L' ';
            name += text;
        }
        return name;
    }
    default: break;
    }
    std::wstring title = AttributeText(element, "title");
    if (!title.empty() && (role == AccessRole::PushButton || role == AccessRole::Link))
        return title;
    std::wstring text = CollapsedText(element);
    return text.empty() ? title : text;
}

std::wstring Accessibility::ValueOf(Element& element)
{
    switch (RoleOf(element)) {
    case AccessRole::EditableText:
        if (FormControls::ControlType(element) == ControlKind::Password)
            return {};
        return FormControls::GetValue(element).Kind == ControlValue::Type::Int
                   ? std::to_wstring(FormControls::GetValue(element).Int)
                   : FormControls::GetValue(element).Text;
    case AccessRole::ComboBox:
        for (const Element* child : element.Children()) {
            if (child->Tag() == "caption")
                return CollapsedText(*child);
        }
        return {};
    case AccessRole::Link: return AttributeText(element, "href");
    default: return {};
    }
}

unsigned Accessibility::StatesOf(const Element& element)
{
    const unsigned state = element.State();
    const AccessRole role = RoleOf(element);
    unsigned result = 0;
    static constexpr std::pair<unsigned, unsigned> kFromState[] = {
        {kStateFocus, kAccessFocused}, {kStateDisabled, kAccessUnavailable}, {kStateHover, kAccessHot},
        {kStateActive, kAccessPressed}};
    for (const auto& [own, access] : kFromState) {
        if ((state & own) != 0)
            result |= access;
    }
    if (FocusOrder::IsFocusable(element))
        result |= kAccessFocusable;
    const auto& style = element.Computed();
    if (element.LayoutBox() == nullptr || (style && style->Inherited.Visible != Visibility::Visible))
        result |= kAccessInvisible;
    switch (role) {
    case AccessRole::CheckBox: case AccessRole::RadioButton:
        if ((state & kStateChecked) != 0)
            result |= kAccessChecked;
        break;
    case AccessRole::EditableText:
        if ((state & kStateReadOnly) != 0)
            result |= kAccessReadOnly;
        if (FormControls::ControlType(element) == ControlKind::Password)
            result |= kAccessProtected;
        break;
    case AccessRole::ComboBox: {
        const auto& parts = element.Children();
        const bool open = parts.size() >= 3 && (parts[2]->State() & kStatePopup) != 0;
        result |= open ? kAccessExpanded : kAccessCollapsed;
        break;
    }
    case AccessRole::Row: case AccessRole::ListItem:
        result |= kAccessSelectable;
        if ((state & (kStateCurrent | kStateChecked)) != 0)
            result |= kAccessSelected;
        break;
    case AccessRole::Link: result |= kAccessLinked; break;
    case AccessRole::StaticText: case AccessRole::Cell: case AccessRole::ColumnHeader: result |= kAccessReadOnly; break;
    default: break;
    }
    return result;
}

AccessAction Accessibility::DefaultActionOf(const Element& element)
{
    switch (RoleOf(element)) {
    case AccessRole::PushButton: return AccessAction::Press;
    case AccessRole::CheckBox: return (element.State() & kStateChecked) != 0 ? AccessAction::Uncheck : AccessAction::Check;
    case AccessRole::RadioButton: return AccessAction::Check;
    case AccessRole::ComboBox:
        return (StatesOf(element) & kAccessExpanded) != 0 ? AccessAction::Close : AccessAction::Open;
    case AccessRole::Link: return AccessAction::Jump;
    case AccessRole::Row: case AccessRole::ListItem: return AccessAction::Select;
    default: return AccessAction::None;
    }
}

} // namespace Engine
