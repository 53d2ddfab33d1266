// Boundary functions: input kinds and values.
#include "engine/HTMLayout.h"

#include "engine/api/Handles.h"
#include "engine/input/FormControls.h"
#include "engine/platform/BoundaryCodes.h"

using namespace Engine;

HtmlDomResult WINAPI HTMLayoutControlGetType(HELEMENT he, UINT* type)
{
    return ReadElement(he, type, [](Element& element) {
        UpdateStyleOf(element);
        return static_cast<UINT>(BoundaryCode(FormControls::ControlType(element)));
    });
}

HtmlDomResult WINAPI HTMLayoutControlGetValue(HELEMENT he, HtmlValue* value)
{
    return ReadElement(he, value, [](Element& element) {
        UpdateStyleOf(element);
        ControlValue result = FormControls::GetValue(element);
        element.Scratch() = std::move(result.Text);
        HtmlValue read{BoundaryCode(result.Kind), result.Int, nullptr, static_cast<UINT>(element.Scratch().size())};
        if (result.Kind == ControlValue::Type::String)
            read.text = element.Scratch().c_str();
        return read;
    });
}

HtmlDomResult WINAPI HTMLayoutControlSetValue(HELEMENT he, const HtmlValue* value)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (value == nullptr)
        return HLDOM_INVALID_PARAMETER;
    UpdateStyleOf(*element);
    ControlValue input;
    switch (value->type) {
    case HL_VALUE_BOOL: input = ControlValue::FromBool(value->intValue != 0); break;
    case HL_VALUE_INT: input = ControlValue::FromInt(value->intValue); break;
    case HL_VALUE_STRING:
        input = ControlValue::FromString(value->text != nullptr ? std::wstring(value->text, value->textLength) : std::wstring());
        break;
    case HL_VALUE_UNDEFINED: break;
    default: return HLDOM_INVALID_PARAMETER;
    }
    return FormControls::SetValue(*element, input) ? HLDOM_OK : HLDOM_OPERATION_FAILED;
}
