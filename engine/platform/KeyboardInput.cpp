#include "engine/platform/KeyboardInput.h"

#include "engine/input/EventDispatcher.h"
#include "engine/input/FocusOrder.h"
#include "engine/input/FormControls.h"
#include "engine/platform/View.h"

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
    unsigned type = FormControls::ControlType(element);
    return (type == HL_CTL_BUTTON || type == HL_CTL_CHECKBOX || type == HL_CTL_RADIO) &&
           (element.State() & HL_STATE_DISABLED) == 0;
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
    HTMLayoutScrollToView(reinterpret_cast<HELEMENT>(next), 0);
    return true;
}

void KeyboardInput::OnKey(UINT message, WPARAM key, LPARAM)
{
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    UINT code = static_cast<UINT>(key);
    if (Send(down ? HL_KEY_DOWN : HL_KEY_UP, code))
        return;
    Document& page = m_view.Page();
    Element* focus = page.FocusElement();
    bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (down && code == VK_TAB && plain) {
        MoveFocus(GetKeyState(VK_SHIFT) < 0);
        return;
    }
    if (down && focus != nullptr && GetKeyState(VK_MENU) >= 0 &&
        m_view.Editing().OnKey(*focus, code, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0))
        return;
    if (focus == nullptr || !Pressable(*focus) || !plain)
        return;
    // Space presses while held and clicks when released; Enter clicks a button at once.
    if (code == VK_SPACE && down) {
        focus->ChangeState(HL_STATE_ACTIVE, 0);
    } else if (code == VK_SPACE && (focus->State() & HL_STATE_ACTIVE) != 0) {
        focus->ChangeState(0, HL_STATE_ACTIVE);
        focus->Use();
        if (FormControls::Click(*focus))
            EventDispatcher::BehaviorEvent(*focus, HL_BUTTON_CLICK, focus, 0);
        focus->Unuse();
    } else if (code == VK_RETURN && down && FormControls::ControlType(*focus) == HL_CTL_BUTTON) {
        focus->Use();
        static_cast<void>(FormControls::Click(*focus));
        EventDispatcher::BehaviorEvent(*focus, HL_BUTTON_CLICK, focus, 0);
        focus->Unuse();
    }
    m_view.ScheduleUpdate();
}

void KeyboardInput::OnChar(WPARAM character)
{
    if (Send(HL_KEY_CHAR, static_cast<UINT>(character)))
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
        if (Element* first = FocusOrder::Next(page, nullptr, false))
            EventDispatcher::SetFocus(page, first, true);
    }
}

} // namespace Engine
