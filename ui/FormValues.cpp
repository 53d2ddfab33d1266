#include "ui/FormValues.h"

#include "engine/HTMLayout.h"
#include "ui/ElementSelect.h"

#include <string>
#include <vector>

namespace {

std::vector<ElementRef> Group(const ElementRef& element, const char* type, const std::wstring& name)
{
    std::vector<ElementRef> group;
    SelectAll(element.Parent(), group, "[type='%s'][name='%S']", type, name.c_str());
    return group;
}

void SetChecked(const ElementRef& element, bool checked)
{
    const UINT bit = HL_STATE_CHECKED;
    element.SetState(checked ? bit : 0u, checked ? 0u : bit, Repaint::Yes);
}

} // namespace

bool FormValues::Set(const ElementRef& root, const FieldMap& values)
{
    bool applied = false;
    for (const auto& [name, value] : values) {
        ElementRef element = SelectFirst(root, "[name='%S']", name.c_str());
        if (element.IsNull() || element.StyleAttribute("behavior") == nullptr)
            continue;
        switch (element.ControlType()) {
        case HL_CTL_CHECKBOX: {
            std::vector<ElementRef> group = Group(element, "checkbox", name);
            if (group.size() <= 1) {
                SetChecked(element, value.GetTag() == FieldValue::Tag::Bool && value.AsBool());
            } else {
                bool mask = value.GetTag() == FieldValue::Tag::Int;
                for (std::size_t i = 0; i < group.size(); ++i)
                    SetChecked(group[i], mask && i < 32 && (static_cast<unsigned>(value.AsInt()) >> i & 1u) != 0);
            }
            break;
        }
        case HL_CTL_RADIO: {
            std::vector<ElementRef> group = Group(element, "radio", name);
            int position = value.GetTag() == FieldValue::Tag::Int ? value.AsInt() : 0;
            for (std::size_t i = 0; i < group.size(); ++i)
                SetChecked(group[i], static_cast<int>(i) == position);
            break;
        }
        case HL_CTL_HTMLAREA: {
            element.SetInnerHtml(value.AsString());
            element.Update(Relayout::No);
            break;
        }
        case HL_CTL_NO: case HL_CTL_UNKNOWN: case HL_CTL_BUTTON: continue;
        default: element.SetValue(value); break;
        }
        applied = true;
    }
    return applied;
}

bool FormValues::Collect(const ElementRef& element, FieldMap& values)
{
    std::vector<ElementRef> named;
    SelectAll(element, named, "[name]");
    for (const ElementRef& input : named) {
        std::wstring name = input.AttributeString("name");
        UINT kind = input.ControlType();
        if (values.Has(name) || kind == HL_CTL_NO || kind == HL_CTL_UNKNOWN || kind == HL_CTL_BUTTON)
            continue;
        switch (kind) {
        case HL_CTL_CHECKBOX: {
            std::vector<ElementRef> group = Group(input, "checkbox", name);
            if (group.size() <= 1) {
                values.Set(name, input.TestState(HL_STATE_CHECKED));
            } else {
                unsigned mask = 0;
                for (std::size_t i = 0; i < group.size() && i < 32; ++i)
                    mask |= group[i].TestState(HL_STATE_CHECKED) ? 1u << i : 0u;
                values.Set(name, static_cast<int>(mask));
            }
            break;
        }
        case HL_CTL_RADIO: {
            std::vector<ElementRef> group = Group(input, "radio", name);
            FieldValue position;
            for (std::size_t i = 0; i < group.size(); ++i) {
                if (group[i].TestState(HL_STATE_CHECKED)) {
                    position = FieldValue(static_cast<int>(i));
                    break;
                }
            }
            values.Set(name, position);
            break;
        }
        case HL_CTL_HTMLAREA: values.Set(name, input.InnerHtml()); break;
        default: values.Set(name, input.Value()); break;
        }
    }
    return values.Size() > 0;
}
