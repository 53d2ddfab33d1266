#include "ui/SelectBuddyBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr char kSourceIndex[] = "-srcindex";

std::vector<ElementRef> Options(const ElementRef& list, const char* selector)
{
    std::vector<ElementRef> options;
    SelectAll(list, options, "%s", selector);
    return options;
}

// Every option of the source learns its place before anything moves, so that options moved one
// by one, in any order, still go back into the order the page gave them.
void StampSourceIndexes(const ElementRef& source)
{
    for (UINT i = 0, count = source.ChildCount(); i < count; ++i) {
        ElementRef option = source.Child(i);
        if (!option.HasAttribute(kSourceIndex))
            option.SetAttribute(kSourceIndex, std::to_wstring(i).c_str());
    }
}

void SetAllChecked(const ElementRef& source, bool checked)
{
    for (const ElementRef& option : Options(source, "option"))
        option.SetState(checked ? HL_STATE_CHECKED : 0u, checked ? 0u : HL_STATE_CHECKED, Repaint::Yes);
}

void Move(const ElementRef& source, const ElementRef& destination, const char* selector)
{
    StampSourceIndexes(source);
    for (const ElementRef& option : Options(source, selector)) {
        option.SetState(0, HL_STATE_CHECKED | HL_STATE_CURRENT, Repaint::No);
        destination.Insert(option, HL_INSERT_APPEND);
    }
}

// Each option goes back before the first source option that stood after it.
void Revoke(const ElementRef& source, const ElementRef& destination, const char* selector)
{
    for (const ElementRef& option : Options(destination, selector)) {
        const int place = option.AttributeInt(kSourceIndex, INT_MAX);
        UINT at = HL_INSERT_APPEND;
        for (UINT i = 0, count = source.ChildCount(); i < count; ++i) {
            if (source.Child(i).AttributeInt(kSourceIndex, INT_MAX) > place) {
                at = i;
                break;
            }
        }
        option.SetState(0, HL_STATE_CHECKED | HL_STATE_CURRENT, Repaint::No);
        source.Insert(option, at);
    }
}

} // namespace

bool SelectBuddyBehavior::OnAttached(HELEMENT container)
{
    StampSourceIndexes(SelectFirst(ElementRef(container), "[role='source']"));
    return false;
}

bool SelectBuddyBehavior::OnEvent(HELEMENT he, HtmlBehaviorEventParams& params)
{
    if (params.cmd != HL_BUTTON_CLICK)
        return false;
    const wchar_t* action = ElementRef(params.heTarget).Attribute("action");
    if (action == nullptr)
        return false;
    const ElementRef container(he);
    const ElementRef source = SelectFirst(container, "[role='source']");
    const ElementRef destination = SelectFirst(container, "[role='destination']");
    if (!source || !destination)
        return false;
    const std::wstring name = action;
    if (name == L"select-all" || name == L"clear-all")
        SetAllChecked(source, name == L"select-all");
    else if (name == L"move-all" || name == L"move-selected")
        Move(source, destination, name == L"move-all" ? "option" : "option:checked");
    else if (name == L"revoke-all" || name == L"revoke-selected")
        Revoke(source, destination, name == L"revoke-all" ? "option" : "option:checked");
    else
        return false;
    return true;
}
