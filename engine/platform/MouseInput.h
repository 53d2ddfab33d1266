#pragma once
#include "engine/layout/Box.h"

#include "engine/HTMLayout.h"

#include <windows.h>

namespace Engine {

class Element;
class View;

// Mouse messages of one engine window: the element under the pointer (hit testing against the
// boxes), its hover state with enter and leave, presses and releases routed as element events,
// the wheel and the scroll bars the engine draws, and the cursor the element's style asks for.
class MouseInput {
public:
    explicit MouseInput(View& view) : m_view(view) {}
    ~MouseInput();
    MouseInput(const MouseInput&) = delete;
    MouseInput& operator=(const MouseInput&) = delete;

    void OnMove(POINT point, WPARAM keys);
    void OnButton(UINT message, POINT point, WPARAM keys);
    // Messages of a popup's own window, its points already in page coordinates.
    void OnPopupMove(Element& popup, POINT page, WPARAM keys);
    void OnPopupButton(Element& popup, UINT message, POINT page, WPARAM keys);
    void OnWheel(POINT screenPoint, int delta, WPARAM keys);
    void OnLeave();
    [[nodiscard]] bool OnSetCursor();
    // The page changed: the hovered element may be gone.
    void Forget(Element& element);
    void Reset();
    [[nodiscard]] Element* Hovered() const { return m_hover; }

private:
    enum class BarPart { None, Back, Thumb, Forward, PageBack, PageForward };
    struct BarHit {
        Box* Scroller = nullptr;
        bool Vertical = true;
        BarPart Part = BarPart::None;
    };
    [[nodiscard]] BarHit HitScrollBar(POINT point) const;
    void SetHover(Element* element);
    void Send(Element& target, UINT command, POINT point, WPARAM keys, Point relative);
    [[nodiscard]] static HtmlMouseParams MouseParams(UINT command, POINT point, WPARAM keys, Point relative);
    void ScrollBy(Box& scroller, bool vertical, int amount);
    // What a press means to a drop-down: its caption or button opens or closes its list, an
    // option in the list is chosen. True when it meant something.
    bool DropDownPress(Element& target);
    [[nodiscard]] Element* HitAt(POINT point, Point& relative) const;
    // A press on a scroll bar widget that no procedure took: its arrows and track ask for a step or
    // a page by a scroll event, its thumb starts a drag. True when it was one of them.
    bool WidgetBarPress(Element& bar, POINT point, Point relative);
    void WidgetBarDrag(POINT point);
    void EndWidgetBarDrag();

    View& m_view;
    Element* m_hover = nullptr;  // used while held
    bool m_tracking = false;
    BarHit m_drag;
    int m_dragStart = 0;
    int m_dragScroll = 0;
    const Box* m_within = nullptr;  // the popup whose window the message came from
    bool m_selecting = false;       // a press in a text input: moves select until the release
    Element* m_barWidget = nullptr; // a scroll bar widget whose thumb is dragged, used meanwhile
    int m_barTop = 0;               // its content box's top in the window's client area
    int m_barGrab = 0;              // where along the thumb the press took it
};

} // namespace Engine
