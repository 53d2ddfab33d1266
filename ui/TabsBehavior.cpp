#include "ui/TabsBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"

#include <vector>

namespace {

// The tab (an element with a "panel") that holds the target, below the strip's element.
ElementRef TabOf(const ElementRef& element, HELEMENT target)
{
    for (ElementRef at(target); at && !(at == element); at = at.Parent()) {
        if (at.HasAttribute("panel"))
            return at;
    }
    return {};
}

void Select(const ElementRef& element, const ElementRef& tab)
{
    if (!tab || tab.TestState(HL_STATE_CURRENT))
        return;
    const std::wstring name = tab.AttributeString("panel");
    const ElementRef panel = SelectFirst(element, "[name='%S']", name.c_str());
    const ElementRef oldPanel = SelectFirst(element, "[name]:expanded");
    const ElementRef oldTab = SelectFirst(element, "[panel]:current");
    if (oldPanel) {
        oldPanel.SetAttribute("selected", nullptr);
        oldPanel.SetState(HL_STATE_COLLAPSED, HL_STATE_EXPANDED, Repaint::Yes);
    }
    if (oldTab) {
        oldTab.SetAttribute("selected", nullptr);
        oldTab.SetState(0, HL_STATE_CURRENT, Repaint::Yes);
    }
    if (panel) {
        panel.SetAttribute("selected", L"");
        panel.SetState(HL_STATE_EXPANDED, HL_STATE_COLLAPSED, Repaint::Yes);
    }
    tab.SetAttribute("selected", L"");
    tab.SetState(HL_STATE_CURRENT, 0, Repaint::Yes);
    if (oldTab)
        static_cast<void>(HTMLayoutPostEvent(oldTab.Handle(), HL_ELEMENT_COLLAPSED, oldTab.Handle(), 0));
    static_cast<void>(HTMLayoutPostEvent(tab.Handle(), HL_ELEMENT_EXPANDED, tab.Handle(), 0));
}

} // namespace

bool TabsBehavior::OnAttached(HELEMENT he)
{
    const ElementRef element(he);
    element.SetState(HL_STATE_FOCUSABLE, 0, Repaint::No);
    const ElementRef tab = SelectFirst(element, "[panel][selected]");
    if (!tab)
        return false;
    tab.SetState(HL_STATE_CURRENT, 0, Repaint::Yes);
    // The first change looks for the panel shown by its :expanded state: the one shown from the
    // start must have it too, or it would stay selected beside the next.
    const std::wstring name = tab.AttributeString("panel");
    if (const ElementRef panel = SelectFirst(element, "[name='%S']", name.c_str()))
        panel.SetState(HL_STATE_EXPANDED, HL_STATE_COLLAPSED, Repaint::Yes);
    return false;
}

bool TabsBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    if (params.cmd != HL_MOUSE_DOWN && params.cmd != HL_MOUSE_DCLICK)
        return false;
    const ElementRef element(he);
    const ElementRef tab = TabOf(element, params.target);
    if (!tab)
        return false;
    // The press is taken here, so the engine gives no focus: the keys must come to the strip.
    element.SetFocus();
    Select(element, tab);
    return true;
}

bool TabsBehavior::OnKey(HELEMENT he, HtmlKeyParams& params)
{
    if (params.cmd != HL_KEY_DOWN)
        return false;
    const ElementRef element(he);
    std::vector<ElementRef> tabs;
    SelectAll(element, tabs, "[panel]");
    if (tabs.empty())
        return false;
    const int count = static_cast<int>(tabs.size());
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (tabs[static_cast<std::size_t>(i)].TestState(HL_STATE_CURRENT))
            current = i;
    }
    const bool control = (params.altState & HL_CONTROL_KEY_PRESSED) != 0;
    const bool shift = (params.altState & HL_SHIFT_KEY_PRESSED) != 0;
    // Arrows, Home and End inside a panel belong to what has the focus there (a text input).
    const bool onStrip = params.target == nullptr || params.target == he || TabOf(element, params.target);
    if (!onStrip && params.keyCode != VK_TAB)
        return false;
    int next = -1;
    switch (params.keyCode) {
    case VK_LEFT: next = current - 1; break;
    case VK_RIGHT: next = current + 1; break;
    case VK_HOME: next = 0; break;
    case VK_END: next = count - 1; break;
    case VK_TAB:
        if (!control)
            return false;
        // Ctrl+Tab goes round, as it does in the system's property sheets.
        next = ((shift ? current - 1 : current + 1) + count) % count;
        break;
    default: return false;
    }
    if (next >= 0 && next < count)
        Select(element, tabs[static_cast<std::size_t>(next)]);
    return true;
}

bool TabsBehavior::OnEvent(HELEMENT he, HtmlBehaviorEventParams& params)
{
    if (params.cmd != HL_ACTIVATE_CHILD)
        return false;
    const ElementRef element(he);
    const ElementRef tab = TabOf(element, params.heTarget);
    if (!tab)
        return false;
    Select(element, tab);
    return true;
}
