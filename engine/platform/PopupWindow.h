#pragma once
#include "base/WindowBase.h"

#include <windows.h>

namespace Engine {

class Element;
class View;

// A shown popup element in a top-level window of its own, beside its anchor: it may reach past
// its owner's edges and stays inside the screen's work area. It paints the popup's boxes of its
// owner's page and hands its mouse messages to the owner as page coordinates. It never takes
// the activation, so the owner keeps the keyboard.
class PopupWindow : public WindowBase<PopupWindow> {
    friend class WindowBase<PopupWindow>;

public:
    PopupWindow(View& owner, Element& popup);
    ~PopupWindow();
    PopupWindow(const PopupWindow&) = delete;
    PopupWindow& operator=(const PopupWindow&) = delete;

    [[nodiscard]] Element& Popup() const { return m_popup; }
    // Follows the popup's box: size, place beside the anchor on the screen, repaint.
    void Place(const RECT& anchorOnScreen, unsigned placement);
    void Invalidate();
    void Hide();

private:
    static const wchar_t* ClassName();
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] POINT ToPage(LPARAM lParam) const;

    View& m_owner;
    Element& m_popup;  // used while the window lives
};

} // namespace Engine
