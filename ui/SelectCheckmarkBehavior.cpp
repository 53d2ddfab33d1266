#include "ui/SelectCheckmarkBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

bool IsItem(const ElementRef& element)
{
    const char* tag = element.Tag();
    return tag != nullptr && (std::strcmp(tag, "option") == 0 || std::strcmp(tag, "options") == 0);
}

bool IsGroup(const ElementRef& element)
{
    const char* tag = element.Tag();
    return tag != nullptr && std::strcmp(tag, "options") == 0;
}

// The option or group of the list that holds the element, or null.
ElementRef ItemOf(const ElementRef& list, HELEMENT element)
{
    for (ElementRef at(element); at && !(at == list); at = at.Parent()) {
        if (IsItem(at))
            return at;
    }
    return {};
}

void SetCheck(const ElementRef& item, const wchar_t* mark)
{
    item.SetAttribute("check", mark);
    item.Update(Relayout::No);
}

// What a group shows from what it holds: one mark when all agree, else "mixed".
const wchar_t* GroupMark(const ElementRef& group)
{
    std::vector<ElementRef> on, off, mixed;
    SelectAll(group, on, "option[check='on'],options[check='on']");
    SelectAll(group, off, "option[check='off'],options[check='off']");
    SelectAll(group, mixed, "options[check='mixed']");
    if (!mixed.empty() || (!on.empty() && !off.empty()))
        return L"mixed";
    return on.empty() ? L"off" : L"on";
}

void Toggle(const ElementRef& list, const ElementRef& item)
{
    const wchar_t* now = item.Attribute("check");
    const wchar_t* mark = now != nullptr && wcscmp(now, L"on") == 0 ? L"off" : L"on";
    SetCheck(item, mark);
    if (IsGroup(item)) {
        std::vector<ElementRef> inside;
        SelectAll(item, inside, "option,options");
        for (const ElementRef& each : inside)
            SetCheck(each, mark);
    }
    for (ElementRef group = item.Parent(); group && !(group == list); group = group.Parent()) {
        if (IsGroup(group))
            SetCheck(group, GroupMark(group));
    }
}

void MakeCurrent(const ElementRef& list, const ElementRef& item)
{
    if (ElementRef old = SelectFirst(list, "option:current,options:current")) {
        if (old == item)
            return;
        old.SetState(0, HL_STATE_CURRENT, Repaint::Yes);
    }
    item.SetState(HL_STATE_CURRENT, 0, Repaint::Yes);
}

} // namespace

bool SelectCheckmarkBehavior::OnAttached(HELEMENT list)
{
    // Space reaches the list only when it can take the focus.
    ElementRef(list).SetState(HL_STATE_FOCUSABLE, 0, Repaint::No);
    return false;
}

bool SelectCheckmarkBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    if (params.cmd != HL_MOUSE_DOWN || (params.buttonState & HL_MAIN_MOUSE_BUTTON) == 0)
        return false;
    const ElementRef list(he);
    const ElementRef item = ItemOf(list, params.target);
    if (!item)
        return false;
    MakeCurrent(list, item);
    // A group's mark stands beside its own first line, not beside the options it holds.
    const RECT content = item.Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
    const RECT border = item.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
    long bottom = border.bottom;
    if (IsGroup(item)) {
        if (ElementRef first = SelectFirst(item, "option,options"))
            bottom = first.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX).top;
    }
    const POINT at = params.posDocument;
    if (at.x >= border.left && at.x < content.left && at.y >= border.top && at.y < bottom)
        Toggle(list, item);
    return true;
}

bool SelectCheckmarkBehavior::OnKey(HELEMENT he, HtmlKeyParams& params)
{
    if (params.cmd != HL_KEY_DOWN || params.keyCode != VK_SPACE)
        return false;
    const ElementRef list(he);
    if (ElementRef item = SelectFirst(list, "option:current,options:current"))
        Toggle(list, item);
    return true;
}
