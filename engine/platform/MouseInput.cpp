#include "engine/platform/MouseInput.h"

#include "engine/input/FocusOrder.h"
#include "engine/input/FormControls.h"
#include "engine/layout/ScrollBarWidget.h"
#include "engine/platform/ElementHandles.h"
#include "engine/platform/EventDispatcher.h"
#include "engine/platform/View.h"

#include <algorithm>
#include <vector>

namespace Engine {

namespace {

UINT ButtonState(WPARAM keys)
{
    UINT state = 0;
    if ((keys & MK_LBUTTON) != 0)
        state |= HL_MAIN_MOUSE_BUTTON;
    if ((keys & MK_RBUTTON) != 0)
        state |= HL_PROP_MOUSE_BUTTON;
    if ((keys & MK_MBUTTON) != 0)
        state |= HL_MIDDLE_MOUSE_BUTTON;
    return state;
}

UINT AltState(WPARAM keys)
{
    UINT state = 0;
    if ((keys & MK_CONTROL) != 0)
        state |= HL_CONTROL_KEY_PRESSED;
    if ((keys & MK_SHIFT) != 0)
        state |= HL_SHIFT_KEY_PRESSED;
    if (GetKeyState(VK_MENU) < 0)
        state |= HL_ALT_KEY_PRESSED;
    return state;
}

std::vector<Element*> Chain(Element* element)
{
    std::vector<Element*> chain;
    for (Element* at = element; at != nullptr; at = at->Parent())
        chain.push_back(at);
    return chain;
}

} // namespace

MouseInput::~MouseInput()
{
    Reset();
}

void MouseInput::Reset()
{
    if (m_hover != nullptr)
        m_hover->Unuse();
    m_hover = nullptr;
    m_drag = {};
    EndWidgetBarDrag();
}

void MouseInput::Forget(Element& element)
{
    if (m_hover != nullptr && (m_hover == &element || element.Contains(m_hover))) {
        m_hover->Unuse();
        m_hover = nullptr;
    }
    if (m_drag.Scroller != nullptr && m_drag.Scroller->Owner == &element)
        m_drag = {};
    if (m_barWidget != nullptr && (m_barWidget == &element || element.Contains(m_barWidget)))
        EndWidgetBarDrag();
}

bool MouseInput::WidgetBarPress(Element& bar, POINT point, Point relative)
{
    Box* box = bar.LayoutBox();
    if (box == nullptr || !ScrollBarWidget::Is(bar))
        return false;
    const int length = box->Used().ContentHeight;
    const int thickness = box->Used().ContentWidth;
    const int offset = relative.Y - box->Used().ContentY();
    const ScrollBarWidget::Value value = ScrollBarWidget::Get(bar);
    unsigned command = HL_SCROLL_POS;
    switch (ScrollBarWidget::PartAt(value, length, thickness, offset)) {
    case ScrollBarWidget::Part::Back: command = HL_SCROLL_STEP_MINUS; break;
    case ScrollBarWidget::Part::Forward: command = HL_SCROLL_STEP_PLUS; break;
    case ScrollBarWidget::Part::PageBack: command = HL_SCROLL_PAGE_MINUS; break;
    case ScrollBarWidget::Part::PageForward: command = HL_SCROLL_PAGE_PLUS; break;
    case ScrollBarWidget::Part::Thumb:
        EndWidgetBarDrag();
        bar.Use();
        m_barWidget = &bar;
        m_barTop = point.y - relative.Y + box->Used().ContentY();
        m_barGrab = offset - ScrollBarWidget::Measure(value, length, thickness).ThumbAt;
        SetCapture(m_view.Window());
        return true;
    default: return true;
    }
    EventDispatcher::Scroll(bar, HtmlScrollParams{command, ToHandle(&bar), value.Position, TRUE});
    return true;
}

void MouseInput::WidgetBarDrag(POINT point)
{
    Element& bar = *m_barWidget;
    const Box* box = bar.LayoutBox();
    if (box == nullptr)
        return;
    const ScrollBarWidget::Value value = ScrollBarWidget::Get(bar);
    const int position =
        ScrollBarWidget::PositionAt(value, box->Used().ContentHeight, box->Used().ContentWidth, point.y - m_barTop - m_barGrab);
    if (position != value.Position)
        EventDispatcher::Scroll(bar, HtmlScrollParams{HL_SCROLL_POS, ToHandle(&bar), position, TRUE});
}

void MouseInput::EndWidgetBarDrag()
{
    if (m_barWidget == nullptr)
        return;
    Element* bar = m_barWidget;
    m_barWidget = nullptr;
    bar->Unuse();
}

HtmlMouseParams MouseInput::MouseParams(UINT command, POINT point, WPARAM keys, Point relative)
{
    HtmlMouseParams params{};
    params.cmd = command;
    params.pos = {relative.X, relative.Y};
    params.posDocument = point;
    params.buttonState = ButtonState(keys);
    params.altState = AltState(keys);
    return params;
}

void MouseInput::Send(Element& target, UINT command, POINT point, WPARAM keys, Point relative)
{
    EventDispatcher::Mouse(m_view.Page(), target, MouseParams(command, point, keys, relative));
}

Element* MouseInput::HitAt(POINT point, Point& relative) const
{
    return m_view.Renderer().Layout().HitTest({point.x, point.y}, relative, m_within);
}

// Styles and boxes first: the popup's box is read only once nothing will make it anew.
void MouseInput::OnPopupMove(Element& popup, POINT page, WPARAM keys)
{
    m_view.UpdateNow();
    m_within = popup.LayoutBox();
    if (m_within != nullptr)
        OnMove(page, keys);
    m_within = nullptr;
}

void MouseInput::OnPopupButton(Element& popup, UINT message, POINT page, WPARAM keys)
{
    m_view.UpdateNow();
    m_within = popup.LayoutBox();
    if (m_within != nullptr) {
        popup.Use();
        OnButton(message, page, keys);
        popup.Unuse();
    }
    m_within = nullptr;
}

bool MouseInput::DropDownPress(Element& target)
{
    for (Element* at = &target; at != nullptr; at = at->Parent()) {
        if (at->Tag() == "option") {
            Element* select = FormControls::DropDownOf(*at);
            if (select == nullptr || (at->State() & kStateDisabled) != 0)
                return false;
            FormControls::Choose(*select, at);
            EventDispatcher::BehaviorEvent(*select, HL_SELECT_SELECTION_CHANGED, at, 0);
            if (!m_view.Ended())
                m_view.HidePopups();
            return true;
        }
        if (at->Tag() == "select" && FormControls::ControlType(*at) == ControlKind::DropDown) {
            if ((at->State() & kStateDisabled) != 0)
                return false;
            Element* list = at->Children().size() >= 3 ? at->Children()[2] : nullptr;
            if (list == nullptr)
                return false;
            if ((list->State() & kStatePopup) != 0)
                m_view.HidePopups();
            else
                m_view.OpenDropDown(*at);
            return true;
        }
    }
    return false;
}

// Hover follows the pointer: the elements it left lose the state and hear of it, deepest
// first; the elements it entered gain it, outermost first.
void MouseInput::SetHover(Element* element)
{
    if (element == m_hover)
        return;
    std::vector<Element*> before = Chain(m_hover);
    std::vector<Element*> after = Chain(element);
    Element* old = m_hover;
    m_hover = element;
    if (element != nullptr)
        element->Use();
    Document& page = m_view.Page();
    for (Element* left : before) {
        if (m_view.Ended())
            break;
        if (std::find(after.begin(), after.end(), left) != after.end())
            continue;
        left->ChangeState(0, kStateHover);
        if (left->OwnerDocument() == &page) {
            HtmlMouseParams params{};
            params.cmd = HL_MOUSE_LEAVE;
            params.target = ToHandle(left);
            EventDispatcher::CallOwn(*left, HL_HANDLE_MOUSE, &params);
        }
    }
    for (auto it = after.rbegin(); it != after.rend() && !m_view.Ended(); ++it) {
        Element* entered = *it;
        if (std::find(before.begin(), before.end(), entered) != before.end())
            continue;
        entered->ChangeState(kStateHover, 0);
        HtmlMouseParams params{};
        params.cmd = HL_MOUSE_ENTER;
        params.target = ToHandle(entered);
        EventDispatcher::CallOwn(*entered, HL_HANDLE_MOUSE, &params);
    }
    if (old != nullptr)
        old->Unuse();
    m_view.ScheduleUpdate();
}

MouseInput::BarHit MouseInput::HitScrollBar(POINT point) const
{
    LayoutTree& layout = m_view.Renderer().Layout();
    Point page{point.x, point.y};
    std::vector<Box*> pending;
    if (layout.Root() != nullptr)
        pending.push_back(layout.Root());
    BarHit best;
    while (!pending.empty()) {
        Box* box = pending.back();
        pending.pop_back();
        if (box->Kind == BoxKind::Text)
            continue;  // no area of its own
        const UsedValues& u = box->Used();
        if (!u.PageRect().Contains(page) && box->Style && box->S().Clips())
            continue;
        if (box->IsScroller() && (box->BarV() > 0 || box->BarH() > 0) && u.PageRect().Contains(page)) {
            int right = u.PageX + u.Width - u.Border.Right;
            int bottom = u.PageY + u.Height - u.Border.Bottom;
            int top = u.PageY + u.Border.Top;
            int left = u.PageX + u.Border.Left;
            for (bool vertical : {true, false}) {
                int thickness = vertical ? box->BarV() : box->BarH();
                if (thickness == 0)
                    continue;
                bool inside = vertical ? page.X >= right - thickness && page.X < right && page.Y < bottom - box->BarH()
                                       : page.Y >= bottom - thickness && page.Y < bottom && page.X < right - box->BarV();
                if (!inside)
                    continue;
                int start = vertical ? top : left;
                int length = vertical ? bottom - box->BarH() - top : right - box->BarV() - left;
                int at = (vertical ? page.Y : page.X) - start;
                int track = std::max(0, length - 2 * thickness);
                int content = vertical ? u.ContentHeight + u.Padding.Vertical()
                                       : u.ContentWidth + u.Padding.Horizontal();
                int view = vertical ? box->ContentHeightInner() + u.Padding.Vertical()
                                    : box->ContentWidthInner() + u.Padding.Horizontal();
                int scroll = vertical ? box->ScrollOffset().Y : box->ScrollOffset().X;
                int thumb = content > view ? std::clamp(track * view / std::max(1, content), std::min(track, thickness), track) : track;
                int range = std::max(1, content - view);
                int thumbAt = thickness + (track - thumb) * std::clamp(scroll, 0, range) / range;
                BarPart part = at < thickness                 ? BarPart::Back
                               : at >= length - thickness     ? BarPart::Forward
                               : at < thumbAt                 ? BarPart::PageBack
                               : at < thumbAt + thumb         ? BarPart::Thumb
                                                              : BarPart::PageForward;
                best = {box, vertical, part};
            }
        }
        for (auto& child : box->Children())
            pending.push_back(child.get());
    }
    return best;
}

void MouseInput::ScrollBy(Box& scroller, bool vertical, int amount)
{
    if (m_view.Renderer().ScrollTo(scroller, scroller.ScrollOffset().X + (vertical ? 0 : amount), scroller.ScrollOffset().Y + (vertical ? amount : 0))) {
        if (scroller.Owner != nullptr) {
            HtmlScrollParams params{HL_SCROLL_POS, ToHandle(scroller.Owner), vertical ? scroller.ScrollOffset().Y : scroller.ScrollOffset().X, vertical ? TRUE : FALSE};
            EventDispatcher::CallOwn(*scroller.Owner, HL_HANDLE_SCROLL, &params);
        }
    }
}

void MouseInput::OnMove(POINT point, WPARAM keys)
{
    m_view.UpdateNow();
    if (!m_tracking && m_within == nullptr) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_view.Window(), 0};
        m_tracking = TrackMouseEvent(&track) != FALSE;
    }
    if (m_barWidget != nullptr) {
        Element* bar = m_barWidget;
        bar->Use();
        WidgetBarDrag(point);
        bar->Unuse();
        return;
    }
    if (m_drag.Scroller != nullptr && m_drag.Part == BarPart::Thumb) {
        Box& box = *m_drag.Scroller;
        int length = m_drag.Vertical ? box.Used().Height - box.Used().Border.Vertical() - box.BarH()
                                     : box.Used().Width - box.Used().Border.Horizontal() - box.BarV();
        int thickness = m_drag.Vertical ? box.BarV() : box.BarH();
        int content = m_drag.Vertical ? box.Used().ContentHeight : box.Used().ContentWidth;
        int view = m_drag.Vertical ? box.ContentHeightInner() : box.ContentWidthInner();
        int track = std::max(1, length - 2 * thickness);
        int moved = (m_drag.Vertical ? point.y : point.x) - m_dragStart;
        int target = m_dragScroll + static_cast<int>(static_cast<long long>(moved) * content / track);
        int current = m_drag.Vertical ? box.ScrollOffset().Y : box.ScrollOffset().X;
        if (content > view)
            ScrollBy(box, m_drag.Vertical, target - current);
        return;
    }
    Point relative;
    Element* hit = HitAt(point, relative);
    Element* capture = m_view.Page().CaptureElement();
    // Dragging from inside a text input selects.
    Element* focus = m_view.Page().FocusElement();
    if (m_selecting && (keys & MK_LBUTTON) != 0 && focus != nullptr && TextInput::IsEditable(*focus)) {
        Rect area;
        if (m_view.Renderer().Layout().PageRectOf(*focus, area))
            m_view.Editing().OnClick(*focus, point.x - area.X, point.y - area.Y, true, false);
    } else if ((keys & MK_LBUTTON) == 0) {
        m_selecting = false;
    }
    SetHover(capture != nullptr ? capture : hit);
    if (m_view.Ended())
        return;
    if (hit != nullptr || capture != nullptr)
        Send(capture != nullptr ? *capture : *hit, HL_MOUSE_MOVE, point, keys, relative);
}

void MouseInput::OnButton(UINT message, POINT point, WPARAM keys)
{
    m_view.UpdateNow();
    bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
                message == WM_LBUTTONDBLCLK;
    // A press outside the shown popups closes them and goes no further.
    if (m_within == nullptr && down && m_view.HasPopups()) {
        m_view.HidePopups();
        return;
    }
    if (m_within == nullptr && (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)) {
        BarHit bar = HitScrollBar(point);
        if (bar.Scroller != nullptr) {
            Box& box = *bar.Scroller;
            int line = std::max(8, box.S().Inherited.Font.SizePx * 3);
            int page = std::max(line, (bar.Vertical ? box.ContentHeightInner() : box.ContentWidthInner()) - line);
            switch (bar.Part) {
            case BarPart::Back: ScrollBy(box, bar.Vertical, -line); break;
            case BarPart::Forward: ScrollBy(box, bar.Vertical, line); break;
            case BarPart::PageBack: ScrollBy(box, bar.Vertical, -page); break;
            case BarPart::PageForward: ScrollBy(box, bar.Vertical, page); break;
            case BarPart::Thumb:
                m_drag = bar;
                m_dragStart = bar.Vertical ? point.y : point.x;
                m_dragScroll = bar.Vertical ? box.ScrollOffset().Y : box.ScrollOffset().X;
                SetCapture(m_view.Window());
                break;
            default: break;
            }
            return;
        }
        if (GetFocus() != m_view.Window())
            SetFocus(m_view.Window());
    }
    if (message == WM_LBUTTONUP && m_barWidget != nullptr) {
        m_barWidget->ChangeState(0, kStateActive);
        EndWidgetBarDrag();
        if (m_view.Page().CaptureElement() == nullptr)
            ReleaseCapture();
        return;
    }
    if (message == WM_LBUTTONUP && m_drag.Scroller != nullptr) {
        m_drag = {};
        if (m_view.Page().CaptureElement() == nullptr)
            ReleaseCapture();
        return;
    }
    Point relative;
    Element* hit = HitAt(point, relative);
    Element* target = m_view.Page().CaptureElement() != nullptr ? m_view.Page().CaptureElement() : hit;
    if (target == nullptr)
        return;
    if (down && message != WM_LBUTTONDBLCLK)
        target->ChangeState(kStateActive, 0);
    UINT command = message == WM_LBUTTONDBLCLK ? HL_MOUSE_DCLICK : down ? HL_MOUSE_DOWN : HL_MOUSE_UP;
    // The button that changed counts as pressed for the event, as the pages expect.
    WPARAM state = keys;
    if (message == WM_LBUTTONUP || message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
        state |= MK_LBUTTON;
    else if (message == WM_RBUTTONUP || message == WM_RBUTTONDOWN)
        state |= MK_RBUTTON;
    else if (message == WM_MBUTTONUP || message == WM_MBUTTONDOWN)
        state |= MK_MBUTTON;
    target->Use();
    bool consumed = EventDispatcher::Mouse(m_view.Page(), *target, MouseParams(command, point, state, relative));
    // The handlers may have ended the window: the view stays only until this message returns.
    if (m_view.Ended()) {
        target->Unuse();
        return;
    }
    // A press gives the focus to the focusable element under it; in a text input it places
    // the caret (a double click takes the word).
    if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) && target->OwnerDocument() == &m_view.Page()) {
        Element* focusable = target;
        while (focusable != nullptr && !FocusOrder::IsFocusable(*focusable))
            focusable = focusable->Parent();
        if (focusable != nullptr && focusable != m_view.Page().FocusElement())
            EventDispatcher::SetFocus(m_view.Page(), focusable, true);
        if (m_view.Ended()) {
            target->Unuse();
            return;
        }
        Box* box = target->LayoutBox();
        int spin = box != nullptr ? std::max(8, std::min(box->Used().ContentHeight / 2 + box->Used().Padding.Top, 12)) : 0;
        if (focusable == target && TextInput::IsNumber(*target) && box != nullptr &&
            relative.X >= box->Used().Width - box->Used().Border.Right - spin) {
            m_view.Editing().Step(*target, relative.Y < box->Used().Height / 2 ? 1 : -1);
        } else if (focusable == target && TextInput::IsEditable(*target)) {
            m_view.Editing().OnClick(*target, relative.X, relative.Y, (keys & MK_SHIFT) != 0, message == WM_LBUTTONDBLCLK);
            m_selecting = message == WM_LBUTTONDOWN;
        }
    }
    if (!consumed && message == WM_LBUTTONDOWN && target->OwnerDocument() == &m_view.Page() &&
        WidgetBarPress(*target, point, relative)) {
        target->Unuse();
        m_view.ScheduleUpdate();
        return;
    }
    if (!consumed && message == WM_LBUTTONDOWN && target->OwnerDocument() == &m_view.Page() && DropDownPress(*target)) {
        target->Unuse();
        m_view.ScheduleUpdate();
        return;
    }
    if (!down) {
        for (Element* at = target; at != nullptr; at = at->Parent())
            at->ChangeState(0, kStateActive);
    }
    target->Unuse();
    m_view.ScheduleUpdate();
}

void MouseInput::OnWheel(POINT screenPoint, int delta, WPARAM keys)
{
    m_view.UpdateNow();
    POINT point = screenPoint;
    ScreenToClient(m_view.Window(), &point);
    Point relative;
    Element* hit = HitAt(point, relative);
    if (hit != nullptr) {
        HtmlMouseParams params{};
        params.cmd = HL_MOUSE_WHEEL;
        params.pos = {relative.X, relative.Y};
        params.posDocument = point;
        params.buttonState = static_cast<UINT>(delta);
        params.altState = AltState(keys);
        hit->Use();
        bool consumed = EventDispatcher::Mouse(m_view.Page(), *hit, params);
        hit->Unuse();
        if (consumed || m_view.Ended())
            return;
    }
    // Over a focused number input, the wheel steps it.
    Element* focus = m_view.Page().FocusElement();
    if (hit != nullptr && hit == focus && TextInput::IsNumber(*hit)) {
        m_view.Editing().Step(*hit, delta > 0 ? 1 : -1);
        return;
    }
    // The innermost container under the pointer that can still move that way scrolls.
    for (Element* at = hit; at != nullptr; at = at->Parent()) {
        Box* box = at->LayoutBox();
        if (box == nullptr || !box->IsScroller() || box->S().Box.OverflowY == Overflow::Hidden)
            continue;
        int line = std::max(8, box->S().Inherited.Font.SizePx * 3);
        int amount = -delta * line / WHEEL_DELTA;
        int before = box->ScrollOffset().Y;
        ScrollBy(*box, true, amount);
        if (box->ScrollOffset().Y != before)
            return;
    }
}

void MouseInput::OnLeave()
{
    m_tracking = false;
    if (m_view.Page().CaptureElement() == nullptr && m_drag.Scroller == nullptr)
        SetHover(nullptr);
}

bool MouseInput::OnSetCursor()
{
    // The cursor is inherited, so the hovered element's own style has the answer; text
    // inputs without one show the text cursor.
    Cursor cursor = Cursor::Auto;
    if (m_hover != nullptr && m_hover->Computed()) {
        cursor = m_hover->Computed()->Inherited.CursorShape;
        if (cursor == Cursor::Auto && TextInput::IsEditable(*m_hover))
            cursor = Cursor::Text;
    }
    LPCWSTR shape = IDC_ARROW;
    switch (cursor) {
    case Cursor::Pointer: shape = IDC_HAND; break;
    case Cursor::Text: shape = IDC_IBEAM; break;
    case Cursor::Wait: shape = IDC_WAIT; break;
    case Cursor::Move: shape = IDC_SIZEALL; break;
    case Cursor::Help: shape = IDC_HELP; break;
    case Cursor::NotAllowed: shape = IDC_NO; break;
    case Cursor::Crosshair: shape = IDC_CROSS; break;
    case Cursor::ResizeEW: shape = IDC_SIZEWE; break;
    case Cursor::ResizeNS: shape = IDC_SIZENS; break;
    default: break;
    }
    SetCursor(LoadCursorW(nullptr, shape));
    return true;
}

} // namespace Engine
