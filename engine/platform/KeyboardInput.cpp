#include "engine/platform/KeyboardInput.h"

#include "engine/platform/EventDispatcher.h"
#include "engine/input/FocusOrder.h"
#include "engine/input/FormControls.h"
#include "engine/platform/View.h"

#include <algorithm>
#include <cwctype>
#include <vector>

namespace Engine {

namespace {

UINT AltState()
{
    UINT state = 0;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= HL_CONTROL_KEY_PRESSED;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= HL_SHIFT_KEY_PRESSED;
    if (GetKeyState(VK_MENU) < 0)
        state |= HL_ALT_KEY_PRESSED;
    return state;
}

bool Pressable(Element& element)
{
    ControlKind type = FormControls::ControlType(element);
    return (type == ControlKind::Button || type == ControlKind::CheckBox || type == ControlKind::Radio) &&
           (element.State() & kStateDisabled) == 0;
}

} // namespace

bool KeyboardInput::Send(UINT command, UINT code)
{
    m_view.UpdateNow();
    HtmlKeyParams params{command, nullptr, code, AltState()};
    return EventDispatcher::Key(m_view.Page(), params);
}

bool KeyboardInput::MoveFocus(bool backward)
{
    m_view.UpdateNow();
    Document& page = m_view.Page();
    Element* next = FocusOrder::Next(page, page.FocusElement(), backward);
    if (next == nullptr)
        return false;
    EventDispatcher::SetFocus(page, next, false);
    if (!m_view.Ended())
        HTMLayoutScrollToView(reinterpret_cast<HELEMENT>(next), 0);
    return true;
}

bool KeyboardInput::OnKey(UINT message, WPARAM key, LPARAM)
{
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    UINT code = static_cast<UINT>(key);
    Document& page = m_view.Page();
    Element* focus = page.FocusElement();
    // An open list owns the keyboard, as a system drop-down's does: its keys never reach the
    // page's handlers (Enter takes the highlighted choice rather than the dialog's default).
    if (down && focus != nullptr && FormControls::ControlType(*focus) == ControlKind::DropDown &&
        focus->Children().size() >= 3 && (focus->Children()[2]->State() & kStatePopup) != 0) {
        if (code == VK_ESCAPE) {
            m_view.HidePopups();
            return true;
        }
        if (DropDownKey(*focus, code))
            return true;
    }
    // A handler that ended the window took the key with it.
    if (Send(down ? HL_KEY_DOWN : HL_KEY_UP, code) || m_view.Ended())
        return true;
    bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (down && code == VK_TAB && plain) {
        MoveFocus(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    // Escape closes the last popup shown.
    if (down && code == VK_ESCAPE && m_view.HasPopups()) {
        m_view.HidePopups();
        return true;
    }
    if (down && focus != nullptr && FormControls::ControlType(*focus) == ControlKind::DropDown && DropDownKey(*focus, code))
        return true;
    if (down && focus != nullptr && FormControls::ControlType(*focus) == ControlKind::Radio &&
        (code == VK_LEFT || code == VK_RIGHT || code == VK_UP || code == VK_DOWN)) {
        RadioArrow(*focus, code == VK_RIGHT || code == VK_DOWN);
        return true;
    }
    if (down && focus != nullptr && GetKeyState(VK_MENU) >= 0 &&
        m_view.Editing().OnKey(*focus, code, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0))
        return true;
    if (focus == nullptr || !Pressable(*focus) || !plain)
        return false;
    // Space presses while held and clicks when released; Enter clicks a button at once.
    if (code == VK_SPACE && down) {
        focus->ChangeState(kStateActive, 0);
    } else if (code == VK_SPACE && (focus->State() & kStateActive) != 0) {
        focus->ChangeState(0, kStateActive);
        focus->Use();
        if (FormControls::Click(*focus))
            EventDispatcher::BehaviorEvent(*focus, HL_BUTTON_CLICK, focus, 0);
        focus->Unuse();
    } else if (code == VK_RETURN && down && FormControls::ControlType(*focus) == ControlKind::Button) {
        focus->Use();
        static_cast<void>(FormControls::Click(*focus));
        EventDispatcher::BehaviorEvent(*focus, HL_BUTTON_CLICK, focus, 0);
        focus->Unuse();
    }
    m_view.ScheduleUpdate();
    return code == VK_SPACE || code == VK_RETURN;
}

// Arrows move the choice within a radio group (the buttons of one name), wrapping, and the
// focus with it.
void KeyboardInput::RadioArrow(Element& radio, bool forward)
{
    const std::wstring* name = radio.FindAttribute("name");
    if (name == nullptr)
        return;
    std::vector<Element*> group;
    std::vector<Element*> pending{&m_view.Page().Root()};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        const std::wstring* other = element->FindAttribute("name");
        if (element == &radio || (other != nullptr && *other == *name && FormControls::ControlType(*element) == ControlKind::Radio &&
                                  FocusOrder::IsFocusable(*element)))
            group.push_back(element);
        element->PushChildrenReversed(pending);
    }
    auto at = std::find(group.begin(), group.end(), &radio);
    if (group.size() < 2 || at == group.end())
        return;
    std::size_t index = static_cast<std::size_t>(at - group.begin());
    Element* next = group[forward ? (index + 1) % group.size() : (index + group.size() - 1) % group.size()];
    next->Use();
    EventDispatcher::SetFocus(m_view.Page(), next, false);
    if (FormControls::Click(*next))
        EventDispatcher::BehaviorEvent(*next, HL_BUTTON_CLICK, next, 0);
    next->Unuse();
    m_view.ScheduleUpdate();
}

// A drop-down's keys: F4 or Alt+Down opens or closes its list; while it is open the arrows,
// Home, End and the page keys move the highlight and Enter takes it; while it is closed they
// change the choice at once. A letter moves to the next option that begins with it.
bool KeyboardInput::DropDownKey(Element& select, UINT code)
{
    if ((select.State() & kStateDisabled) != 0 || select.Children().size() < 3)
        return false;
    Element& list = *select.Children()[2];
    bool open = (list.State() & kStatePopup) != 0;
    bool alt = GetKeyState(VK_MENU) < 0;
    if (code == VK_F4 || (alt && (code == VK_DOWN || code == VK_UP))) {
        if (!open) {
            m_view.OpenDropDown(select);
            return true;
        }
        code = VK_RETURN;  // closing the open list by its keys takes the highlighted choice
    }
    std::vector<Element*> options;
    for (Element* option : list.Children()) {
        if (option->Tag() == "option" && (option->State() & kStateDisabled) == 0)
            options.push_back(option);
    }
    if (options.empty())
        return false;
    unsigned marker = open ? kStateHover : kStateChecked;
    auto at = std::find_if(options.begin(), options.end(), [&](Element* o) { return (o->State() & marker) != 0; });
    std::ptrdiff_t index = at == options.end() ? -1 : at - options.begin();
    std::ptrdiff_t last = static_cast<std::ptrdiff_t>(options.size()) - 1;
    std::ptrdiff_t next = index;
    switch (code) {
    case VK_UP: next = std::max<std::ptrdiff_t>(0, index - 1); break;
    case VK_DOWN: next = std::min(last, index + 1); break;
    case VK_HOME: next = 0; break;
    case VK_END: next = last; break;
    case VK_PRIOR: next = std::max<std::ptrdiff_t>(0, index - 10); break;
    case VK_NEXT: next = std::min(last, index + 10); break;
    case VK_RETURN:
        if (!open)
            return false;
        if (index >= 0) {
            FormControls::Choose(select, options[static_cast<std::size_t>(index)]);
            EventDispatcher::BehaviorEvent(select, HL_SELECT_SELECTION_CHANGED, options[static_cast<std::size_t>(index)], 0);
        }
        if (!m_view.Ended())
            m_view.HidePopups();
        return true;
    default:
        if (code >= 'A' && code <= 'Z') {
            for (std::ptrdiff_t step = 1; step <= last + 1; ++step) {
                std::ptrdiff_t candidate = (index + step) % (last + 1);
                std::wstring text = options[static_cast<std::size_t>(candidate)]->TextContent();
                std::size_t first = text.find_first_not_of(L" \t\r\n");
                if (first != std::wstring::npos && std::towupper(text[first]) == static_cast<wint_t>(code)) {
                    next = candidate;
                    break;
                }
            }
            if (next == index)
                return true;
            break;
        }
        return false;
    }
    if (next < 0 || next == index)
        return true;
    Element* chosen = options[static_cast<std::size_t>(next)];
    if (open) {
        for (Element* option : options)
            option->ChangeState(option == chosen ? static_cast<unsigned>(kStateHover) : 0u,
                                option == chosen ? 0u : static_cast<unsigned>(kStateHover));
    } else {
        FormControls::Choose(select, chosen);
        EventDispatcher::BehaviorEvent(select, HL_SELECT_SELECTION_CHANGED, chosen, 0);
    }
    m_view.ScheduleUpdate();
    return true;
}

void KeyboardInput::OnChar(WPARAM character)
{
    if (Send(HL_KEY_CHAR, static_cast<UINT>(character)) || m_view.Ended())
        return;
    if (Element* focus = m_view.Page().FocusElement())
        static_cast<void>(m_view.Editing().OnChar(*focus, static_cast<wchar_t>(character)));
}

LRESULT KeyboardInput::DialogCode(const MSG* message) const
{
    // Characters and arrows are the page's; Tab too while the page has something to focus;
    // Enter only for a text area, Escape only while a popup is open: the dialog keeps the rest.
    LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS;
    if (m_view.OwnsAllKeys())
        return code | DLGC_WANTALLKEYS | DLGC_WANTTAB;
    Document& page = m_view.Page();
    if (FocusOrder::Next(page, page.FocusElement(), false) != nullptr)
        code |= DLGC_WANTTAB;
    if (message != nullptr && message->message == WM_KEYDOWN) {
        Element* focus = page.FocusElement();
        if (message->wParam == VK_RETURN && focus != nullptr && focus->Tag() == "textarea")
            code |= DLGC_WANTMESSAGE;
        if (message->wParam == VK_ESCAPE && !m_view.Renderer().Layout().ShownPopups().empty())
            code |= DLGC_WANTMESSAGE;
    }
    return code;
}

void KeyboardInput::OnSetFocus()
{
    Document& page = m_view.Page();
    if (page.FocusElement() == nullptr) {
        m_view.UpdateNow();
        // The element marked to have it (autofocus), else the first in tab order.
        Element* first = nullptr;
        std::vector<Element*> pending{&page.Root()};
        while (!pending.empty() && first == nullptr) {
            Element* element = pending.back();
            pending.pop_back();
            if (element->HasAttribute("autofocus") && FocusOrder::IsFocusable(*element))
                first = element;
            element->PushChildrenReversed(pending);
        }
        if (first == nullptr)
            first = FocusOrder::Next(page, nullptr, false);
        if (first != nullptr)
            EventDispatcher::SetFocus(page, first, true);
    }
}

} // namespace Engine
