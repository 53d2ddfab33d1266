#include "ui/ExpandableListBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementTree.h"

namespace {

int LastWith(const ElementRef& list, UINT state)
{
    for (UINT i = list.ChildCount(); i-- > 0;) {
        if (list.Child(i).TestState(state))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

ExpandableListBehavior::ExpandableListBehavior(const char* name, Choice choice)
    : Behavior(name, HL_HANDLE_MOUSE | HL_HANDLE_KEY | HL_HANDLE_FOCUS), m_choice(choice)
{
}

bool ExpandableListBehavior::OnAttached(HELEMENT he)
{
    const ElementRef list(he);
    // Up and Down reach the list only when a click can give it the focus.
    list.SetState(HL_STATE_FOCUSABLE, 0, Repaint::No);
    int chosen = -1;
    for (UINT i = list.ChildCount(); i-- > 0 && chosen < 0;) {
        if (list.Child(i).HasAttribute("default"))
            chosen = static_cast<int>(i);
    }
    for (UINT i = 0; i < list.ChildCount(); ++i) {
        const bool isChosen = static_cast<int>(i) == chosen;
        const UINT on = isChosen ? HL_STATE_CURRENT | HL_STATE_EXPANDED : HL_STATE_COLLAPSED;
        const UINT off = isChosen ? HL_STATE_COLLAPSED : HL_STATE_CURRENT | HL_STATE_EXPANDED;
        list.Child(i).SetState(on, off, Repaint::Yes);
    }
    return false;
}

bool ExpandableListBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    if ((params.cmd != HL_MOUSE_DOWN && params.cmd != HL_MOUSE_DCLICK) || (params.buttonState & HL_MAIN_MOUSE_BUTTON) == 0)
        return false;
    const ElementRef list(he);
    const ElementRef item = ChildHolding(list, params.target);
    if (!item)
        return false;
    // The press is taken here, so the engine gives no focus: Up and Down must come to the list.
    list.SetFocus();
    Choose(he, item.Index());
    return true;
}

bool ExpandableListBehavior::OnKey(HELEMENT he, HtmlKeyParams& params)
{
    if (params.cmd != HL_KEY_DOWN || (params.keyCode != VK_UP && params.keyCode != VK_DOWN))
        return false;
    const ElementRef list(he);
    const int count = static_cast<int>(list.ChildCount());
    const int current = LastWith(list, HL_STATE_CURRENT);
    int next = -1;
    if (params.keyCode == VK_UP)
        next = current < 0 ? count - 1 : current - 1;
    else
        next = current < 0 ? 0 : current + 1;
    if (next < 0 || next >= count)
        return false;
    Choose(he, static_cast<UINT>(next));
    return true;
}

void ExpandableListBehavior::Choose(HELEMENT he, UINT index) const
{
    const ElementRef list(he);
    const ElementRef item = list.Child(index);
    const int current = LastWith(list, HL_STATE_CURRENT);
    const int expanded = LastWith(list, HL_STATE_EXPANDED);
    if (m_choice == Choice::Toggles && expanded == static_cast<int>(index)) {
        if (current >= 0 && current != expanded)
            list.Child(static_cast<UINT>(current)).SetState(0, HL_STATE_CURRENT, Repaint::Yes);
        item.SetState(HL_STATE_COLLAPSED | HL_STATE_CURRENT, HL_STATE_EXPANDED, Repaint::Yes);
        return;
    }
    if (current >= 0)
        list.Child(static_cast<UINT>(current)).SetState(0, HL_STATE_CURRENT, Repaint::Yes);
    if (expanded >= 0) {
        const UINT collapsed = m_choice == Choice::Toggles ? HL_STATE_COLLAPSED : 0u;
        list.Child(static_cast<UINT>(expanded)).SetState(collapsed, HL_STATE_CURRENT | HL_STATE_EXPANDED, Repaint::Yes);
    }
    item.SetState(HL_STATE_CURRENT | HL_STATE_EXPANDED, HL_STATE_COLLAPSED, Repaint::Yes);
    item.ScrollToView();
}
