#include "ui/EditableSelectBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"
#include "ui/ElementTree.h"

#include <cstring>
#include <cwctype>
#include <string>

namespace {

constexpr char kAddNew[] = "<text><button action='add-new'>Add new item here...</button></text>";

ElementRef ListOf(const ElementRef& element)
{
    return SelectFirst(element, "select,[type='select']");
}

bool IsOption(const ElementRef& element)
{
    const char* tag = element.Tag();
    return tag != nullptr && std::strcmp(tag, "option") == 0;
}

// The option of an editable list that the event is about, or null.
ElementRef EditedOption(const ElementRef& list, HELEMENT target)
{
    if (!list.HasAttribute("editable"))
        return {};
    ElementRef option = ChildHolding(list, target);
    return option && IsOption(option) ? option : ElementRef();
}

void SetOptionsFocusable(const ElementRef& list, bool focusable)
{
    for (UINT i = 0; i < list.ChildCount(); ++i) {
        const ElementRef option = list.Child(i);
        if (IsOption(option))
            option.SetState(focusable ? HL_STATE_FOCUSABLE : 0u, focusable ? 0u : HL_STATE_FOCUSABLE, Repaint::No);
    }
}

bool IsBlank(const std::wstring& text)
{
    for (wchar_t c : text) {
        if (!std::iswspace(c))
            return false;
    }
    return true;
}

void EditList(const ElementRef& list, const ElementRef& button)
{
    list.SetAttribute("editable", L"");
    SetOptionsFocusable(list, true);
    button.SetText(L"Save");
    button.SetAttribute("action", L"save-list");
    list.SetHtml(reinterpret_cast<const BYTE*>(kAddNew), static_cast<UINT>(sizeof kAddNew - 1), HL_SIH_APPEND_AFTER_LAST);
}

void SaveList(const ElementRef& list, const ElementRef& button)
{
    list.SetAttribute("editable", nullptr);
    if (const UINT count = list.ChildCount(); count > 0)
        list.Child(count - 1).Delete();
    SetOptionsFocusable(list, false);
    button.SetText(L"Modify");
    button.SetAttribute("action", L"edit-list");
}

void AddNew(const ElementRef& list)
{
    const UINT count = list.ChildCount();
    if (count == 0)
        return;
    const ElementRef option = ElementRef::Create("option", L" ");
    list.Insert(option, count - 1);
    option.SetState(HL_STATE_FOCUSABLE, 0, Repaint::No);
    option.SetFocus();
}

// The option step places before or after this one, or null.
ElementRef NeighbourOption(const ElementRef& option, int step)
{
    const ElementRef list = option.Parent();
    const int at = static_cast<int>(option.Index()) + step;
    if (at < 0 || at >= static_cast<int>(list.ChildCount()))
        return {};
    const ElementRef next = list.Child(static_cast<UINT>(at));
    return IsOption(next) ? next : ElementRef();
}

} // namespace

bool EditableSelectBehavior::OnEvent(HELEMENT he, HtmlBehaviorEventParams& params)
{
    if (params.cmd != HL_BUTTON_CLICK)
        return false;
    const ElementRef element(he);
    const ElementRef button(params.heTarget);
    const std::wstring action = button.AttributeString("action");
    const ElementRef list = ListOf(element);
    if (!list)
        return false;
    if (action == L"edit-list")
        EditList(list, button);
    else if (action == L"save-list")
        SaveList(list, button);
    else if (action == L"add-new")
        AddNew(list);
    else
        return false;
    return true;
}

bool EditableSelectBehavior::OnKey(HELEMENT he, HtmlKeyParams& params)
{
    const ElementRef option = EditedOption(ListOf(ElementRef(he)), params.target);
    if (!option)
        return false;
    if (params.cmd == HL_KEY_CHAR) {
        const wchar_t typed = static_cast<wchar_t>(params.keyCode);
        if (typed < L' ' || typed == 0x7f)
            return typed == L'\r' || typed == L'\b';
        std::wstring text = option.Text();
        // The blank that a new option holds only keeps its line open until something is typed.
        if (text == L" ")
            text.clear();
        option.SetText(text + typed);
        return true;
    }
    if (params.cmd != HL_KEY_DOWN)
        return false;
    switch (params.keyCode) {
    case VK_BACK: {
        std::wstring text = option.Text();
        if (!text.empty())
            text.pop_back();
        option.SetText(text);
        return true;
    }
    case VK_UP:
    case VK_DOWN:
    case VK_RETURN:
        if (const ElementRef next = NeighbourOption(option, params.keyCode == VK_UP ? -1 : 1))
            next.SetFocus();
        return true;
    default: return false;
    }
}

bool EditableSelectBehavior::OnFocus(HELEMENT he, HtmlFocusParams& params)
{
    if (params.cmd != HL_FOCUS_LOST)
        return false;
    const ElementRef option = EditedOption(ListOf(ElementRef(he)), params.target);
    if (option && IsBlank(option.Text()))
        option.Delete();
    return false;
}
