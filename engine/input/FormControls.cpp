#include "engine/input/FormControls.h"

#include "engine/css/StyleResolver.h"
#include "engine/dom/Element.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Text.h"

#include <algorithm>
#include <cwctype>
#include <string_view>
#include <vector>

namespace Engine {

namespace {

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    }
    return true;
}

bool TypeIs(const Element& element, std::wstring_view type)
{
    const std::wstring* value = element.FindAttribute("type");
    return value != nullptr && EqualsIgnoringCase(*value, type);
}

template <typename Visit>
void ForEachDescendant(Element& root, Visit visit)
{
    std::vector<Element*> pending;
    root.PushChildrenReversed(pending);
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        visit(*element);
        element->PushChildrenReversed(pending);
    }
}

bool IsDropDown(const Element& element)
{
    if (element.Tag() != "select" || element.HasAttribute("multiple"))
        return false;
    const std::wstring* size = element.FindAttribute("size");
    return size == nullptr || size->empty() || *size == L"1" || *size == L"0";
}

bool IsPrepared(const Element& select)
{
    const auto& children = select.Children();
    return children.size() >= 3 && children[0]->Tag() == "caption" && children[1]->Tag() == "button" &&
           children[2]->Tag() == "popup";
}

void BuildDropDown(Element& select, std::size_t depth)
{
    if (!IsPrepared(select)) {
        // The popup adds a level: without room for it under the nesting cap the list stays plain.
        constexpr std::size_t kCap = HtmlTreeBuilder::kMaxDepth;
        if (depth + select.Height(kCap) + 1 > kCap)
            return;
        auto* popup = new Element("popup");
        popup->Use();
        std::vector<Node*> nodes = select.Nodes();
        for (Node* node : nodes) {
            node->Use();
            select.RemoveNode(node);
            popup->AppendNode(node);
            node->Unuse();
        }
        select.AppendNode(new Element("caption"));
        select.AppendNode(new Element("button"));
        select.AppendNode(popup);
        popup->Unuse();
    }
    // The choice: the option already checked, else the one marked selected, else the first.
    Element* chosen = nullptr;
    bool checked = false;
    ForEachDescendant(*select.Children()[2], [&](Element& option) {
        if (option.Tag() != "option" || checked)
            return;
        checked = (option.State() & kStateChecked) != 0;
        if (checked || chosen == nullptr || option.HasAttribute("selected"))
            chosen = &option;
    });
    FormControls::Choose(select, chosen);
}

ControlKind TypeFromBehavior(std::wstring_view behavior)
{
    struct Entry {
        std::wstring_view Name;
        ControlKind Type;
    };
    static constexpr Entry kBehaviors[] = {
        {L"edit", ControlKind::Edit},          {L"hidden", ControlKind::Edit},         {L"number", ControlKind::Numeric},
        {L"button", ControlKind::Button},      {L"checkbox", ControlKind::CheckBox},   {L"radio", ControlKind::Radio},
        {L"list", ControlKind::SelectSingle}, {L"list-multiple", ControlKind::SelectMultiple},
        {L"dropdown", ControlKind::DropDown}, {L"textarea", ControlKind::TextArea},   {L"richtext", ControlKind::HtmlArea},
        {L"password", ControlKind::Password},  {L"progress", ControlKind::Progress},   {L"slider", ControlKind::Slider},
        {L"decimal", ControlKind::Decimal},    {L"currency", ControlKind::Currency},   {L"date", ControlKind::Date},
        {L"time", ControlKind::Time}};
    for (const Entry& entry : kBehaviors) {
        if (entry.Name == behavior)
            return entry.Type;
    }
    return ControlKind::None;
}

// What the element is by its markup alone, for elements whose behavior is the program's.
ControlKind TypeFromMarkup(const Element& element)
{
    const std::string& tag = element.Tag();
    if (tag == "button")
        return ControlKind::Button;
    if (tag == "textarea")
        return ControlKind::TextArea;
    if (tag == "select")
        return IsDropDown(element) ? ControlKind::DropDown
               : element.HasAttribute("multiple") ? ControlKind::SelectMultiple
                                                  : ControlKind::SelectSingle;
    if (tag != "input")
        return ControlKind::Unknown;
    static constexpr std::pair<std::wstring_view, std::wstring_view> kTypes[] = {
        {L"checkbox", L"checkbox"}, {L"radio", L"radio"},   {L"button", L"button"},   {L"submit", L"button"},
        {L"reset", L"button"},      {L"password", L"password"}, {L"number", L"number"}, {L"integer", L"number"}};
    for (const auto& [type, behavior] : kTypes) {
        if (TypeIs(element, type))
            return TypeFromBehavior(behavior);
    }
    return ControlKind::Edit;
}

std::wstring_view FirstBehavior(const std::wstring& behaviors)
{
    std::wstring_view list = behaviors;
    std::size_t start = list.find_first_not_of(L" ,");
    if (start == std::wstring_view::npos)
        return {};
    std::size_t end = list.find_first_of(L" ,", start);
    return list.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
}

bool ParseInt(std::wstring_view text, int& out)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == L' ')
        ++i;
    bool negative = i < text.size() && text[i] == L'-';
    if (negative || (i < text.size() && text[i] == L'+'))
        ++i;
    std::size_t digits = i;
    long long value = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
        value = std::min<long long>(value * 10 + (text[i] - L'0'), 1LL << 31);
        ++i;
    }
    while (i < text.size() && text[i] == L' ')
        ++i;
    if (i == digits || i != text.size())
        return false;
    value = negative ? -value : value;
    out = static_cast<int>(std::max<long long>(std::min<long long>(value, 0x7fffffff), -0x7fffffffLL - 1));
    return true;
}

std::vector<Element*> OptionsOf(Element& select)
{
    std::vector<Element*> options;
    ForEachDescendant(select, [&](Element& element) {
        if (element.Tag() == "option")
            options.push_back(&element);
    });
    return options;
}

std::wstring OptionValue(const Element& option)
{
    const std::wstring* value = option.FindAttribute("value");
    return value != nullptr ? *value : option.TextContent();
}

ControlValue TextOrInt(std::wstring text)
{
    int number = 0;
    if (ParseInt(text, number))
        return ControlValue::FromInt(number);
    return ControlValue::FromString(std::move(text));
}

std::wstring ValueText(const ControlValue& value)
{
    switch (value.Kind) {
    case ControlValue::Type::Bool: return value.Int != 0 ? L"true" : L"false";
    case ControlValue::Type::Int: return std::to_wstring(value.Int);
    case ControlValue::Type::String: return value.Text;
    case ControlValue::Type::Undefined: break;
    }
    return {};
}

// Inputs whose value is their "value" attribute, read as text or as a number.
bool IsTextKind(ControlKind type)
{
    return type == ControlKind::Edit || type == ControlKind::Password || type == ControlKind::Decimal || type == ControlKind::Currency ||
           type == ControlKind::Date || type == ControlKind::Time;
}

bool IsNumberKind(ControlKind type)
{
    return type == ControlKind::Numeric || type == ControlKind::Progress || type == ControlKind::Slider;
}

void CheckRadio(Element& radio)
{
    const std::wstring* name = radio.FindAttribute("name");
    Element* group = radio.Parent();
    if (name != nullptr && group != nullptr) {
        std::wstring groupName = *name;
        ForEachDescendant(*group, [&](Element& other) {
            const std::wstring* otherName = other.FindAttribute("name");
            if (&other != &radio && otherName != nullptr && *otherName == groupName && TypeIs(other, L"radio"))
                other.ChangeState(0, kStateChecked);
        });
    }
    radio.ChangeState(kStateChecked, 0);
}

} // namespace

void FormControls::PrepareTree(Element& root, std::size_t rootDepth)
{
    std::vector<Element*> selects;
    auto prepare = [&](Element& element) {
        unsigned set = 0;
        for (const Attribute& attribute : element.Attributes()) {
            const std::string& name = attribute.Name;
            if (name == "checked" && element.Tag() == "input" && (TypeIs(element, L"checkbox") || TypeIs(element, L"radio")))
                set |= kStateChecked;
            else if (name == "disabled")
                set |= kStateDisabled;
            else if (name == "readonly")
                set |= kStateReadOnly;
            else if (name == "href" && element.Tag() == "a")
                set |= kStateLink;
            else if (name == "selected" && element.Tag() == "option")
                set |= kStateChecked | kStateCurrent;
        }
        element.ChangeState(set, 0);
        if (IsDropDown(element))
            selects.push_back(&element);
    };
    prepare(root);
    ForEachDescendant(root, prepare);
    for (Element* select : selects)
        BuildDropDown(*select, rootDepth + select->Depth());
}

ControlKind FormControls::ControlType(const Element& element)
{
    const std::wstring* behavior = StyleResolver::Lookup(element, "behavior");
    if (behavior == nullptr || FirstBehavior(*behavior).empty() || *behavior == L"none")
        return ControlKind::None;
    ControlKind type = TypeFromBehavior(FirstBehavior(*behavior));
    return type != ControlKind::None ? type : TypeFromMarkup(element);
}

bool FormControls::IsValueInput(const Element& element)
{
    return element.Tag() == "input" && !TypeIs(element, L"checkbox") && !TypeIs(element, L"radio");
}

ControlValue FormControls::GetValue(Element& element)
{
    const std::wstring* attribute = element.FindAttribute("value");
    ControlKind type = ControlType(element);
    if (IsTextKind(type))
        return ControlValue::FromString(attribute != nullptr ? *attribute : std::wstring());
    if (IsNumberKind(type)) {
        int number = 0;
        if (attribute == nullptr || attribute->empty())
            return {};
        if (!ParseInt(*attribute, number))
            return ControlValue::FromString(*attribute);
        // Text out of range stays as typed; the value read is clamped to min and max.
        int low = 0, high = 0;
        const std::wstring* min = element.FindAttribute("min");
        const std::wstring* max = element.FindAttribute("max");
        if (min != nullptr && ParseInt(*min, low))
            number = std::max(number, low);
        if (max != nullptr && ParseInt(*max, high))
            number = std::min(number, high);
        return ControlValue::FromInt(number);
    }
    switch (type) {
    case ControlKind::CheckBox:
    case ControlKind::Radio: return ControlValue::FromBool((element.State() & kStateChecked) != 0);
    case ControlKind::Button:
    case ControlKind::TextArea: return ControlValue::FromString(element.TextContent());
    case ControlKind::DropDown:
    case ControlKind::SelectSingle: {
        Element* current = nullptr;
        for (Element* option : OptionsOf(element)) {
            if (option->State() & kStateChecked)
                return TextOrInt(OptionValue(*option));
            if (current == nullptr && (option->State() & kStateCurrent))
                current = option;
        }
        return current != nullptr ? TextOrInt(OptionValue(*current)) : ControlValue{};
    }
    case ControlKind::SelectMultiple: {
        std::wstring values;
        for (Element* option : OptionsOf(element)) {
            if (option->State() & kStateChecked)
                values += (values.empty() ? L"" : L";") + OptionValue(*option);
        }
        return ControlValue::FromString(std::move(values));
    }
    default: return {};
    }
}

bool FormControls::SetValue(Element& element, const ControlValue& value)
{
    ControlKind type = ControlType(element);
    if (IsTextKind(type) || IsNumberKind(type)) {
        element.SetAttribute("value", ValueText(value));
        return true;
    }
    switch (type) {
    case ControlKind::CheckBox: {
        unsigned checked = kStateChecked;
        element.ChangeState(value.Int != 0 ? checked : 0u, value.Int != 0 ? 0u : checked);
        return true;
    }
    case ControlKind::Radio:
        if (value.Int != 0)
            CheckRadio(element);
        else
            element.ChangeState(0, kStateChecked);
        return true;
    case ControlKind::TextArea: element.SetTextContent(ValueText(value)); return true;
    case ControlKind::DropDown:
    case ControlKind::SelectSingle: {
        std::wstring wanted = ValueText(value);
        Element* chosen = nullptr;
        for (Element* option : OptionsOf(element)) {
            if (chosen == nullptr && value.Kind != ControlValue::Type::Undefined && OptionValue(*option) == wanted)
                chosen = option;
        }
        Choose(element, chosen);
        return value.Kind == ControlValue::Type::Undefined || chosen != nullptr;
    }
    default: return false;
    }
}

Element* FormControls::DropDownOf(Element& option)
{
    for (Element* at = option.Parent(); at != nullptr; at = at->Parent()) {
        if (at->Tag() == "select")
            return IsPrepared(*at) ? at : nullptr;
    }
    return nullptr;
}

void FormControls::Choose(Element& select, Element* option)
{
    for (Element* other : OptionsOf(select)) {
        if (other != option)
            other->ChangeState(0, kStateChecked | kStateCurrent);
    }
    if (option != nullptr)
        option->ChangeState(kStateChecked | kStateCurrent, 0);
    if (IsPrepared(select))
        select.Children()[0]->SetTextContent(option != nullptr ? option->TextContent() : std::wstring());
}

void FormControls::StateChanged(Element& element, unsigned before)
{
    unsigned gained = element.State() & ~before & (kStateChecked | kStateCurrent);
    if (gained == 0 || element.Tag() != "option")
        return;
    if (Element* select = DropDownOf(element))
        Choose(*select, &element);
}

bool FormControls::Click(Element& element)
{
    switch (ControlType(element)) {
    case ControlKind::CheckBox: {
        unsigned checked = element.State() & kStateChecked;
        element.ChangeState(checked ^ kStateChecked, checked);
        return true;
    }
    case ControlKind::Radio: CheckRadio(element); return true;
    case ControlKind::Button: return true;
    default: return false;
    }
}

Element* FormControls::LabelledControl(Element& label)
{
    const std::wstring* id = label.FindAttribute("for");
    Element* found = nullptr;
    if (id != nullptr) {
        if (!id->empty())
            ForEachDescendant(*label.Root(), [&](Element& element) {
                const std::wstring* own = element.FindAttribute("id");
                if (found == nullptr && own != nullptr && *own == *id && ControlType(element) != ControlKind::None)
                    found = &element;
            });
        return found;
    }
    ForEachDescendant(label, [&](Element& element) {
        if (found == nullptr && ControlType(element) != ControlKind::None)
            found = &element;
    });
    return found;
}

} // namespace Engine
