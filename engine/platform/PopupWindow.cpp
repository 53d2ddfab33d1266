#include "engine/platform/PopupWindow.h"

#include "engine/platform/EngineWindow.h"
#include "engine/platform/View.h"

#include <windowsx.h>

#include <algorithm>

namespace Engine {

const wchar_t* PopupWindow::ClassName()
{
    static const wchar_t* const name =
        EngineWindow::Register(L"HtmlEnginePopup", WindowProc, CS_DBLCLKS | CS_DROPSHADOW, LoadCursorW(nullptr, IDC_ARROW));
    return name;
}

PopupWindow::PopupWindow(View& owner, Element& popup) : m_owner(owner), m_popup(popup)
{
    m_popup.Use();
    HWND top = GetAncestor(owner.Window(), GA_ROOT);
    CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, ClassName(), L"", WS_POPUP | WS_CLIPSIBLINGS,
                    0, 0, 1, 1, top, nullptr, GetModuleHandleW(nullptr), this);
}

PopupWindow::~PopupWindow()
{
    HWND window = m_window;
    Detach();
    if (window != nullptr)
        DestroyWindow(window);
    m_popup.Unuse();
}

void PopupWindow::Place(const RECT& anchor, unsigned placement)
{
    const Box* box = m_popup.LayoutBox();
    if (m_window == nullptr || box == nullptr)
        return;
    int width = std::max(1, box->Used().Width);
    int height = std::max(1, box->Used().Height);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    // Below the anchor, or above it where below has no room (placement 8 asks for above first).
    bool roomBelow = anchor.bottom + height <= work.bottom;
    bool roomAbove = anchor.top - height >= work.top;
    bool above = placement == 8 ? roomAbove || !roomBelow : !roomBelow && roomAbove;
    int x = std::clamp(static_cast<int>(anchor.left), static_cast<int>(work.left), std::max(static_cast<int>(work.left), static_cast<int>(work.right) - width));
    int y = above ? anchor.top - height : anchor.bottom;
    y = std::clamp(y, static_cast<int>(work.top), std::max(static_cast<int>(work.top), static_cast<int>(work.bottom) - height));
    SetWindowPos(m_window, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Invalidate();
}

void PopupWindow::Hide()
{
    if (m_window != nullptr)
        ShowWindow(m_window, SW_HIDE);
}

void PopupWindow::Invalidate()
{
    if (m_window != nullptr)
        InvalidateRect(m_window, nullptr, FALSE);
}

POINT PopupWindow::ToPage(LPARAM lParam) const
{
    m_owner.UpdateNow();
    const Box* box = m_popup.LayoutBox();
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (box != nullptr) {
        point.x += box->Used().PageX;
        point.y += box->Used().PageY;
    }
    return point;
}

LRESULT PopupWindow::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_owner.Ended())
        return DefWindowProcW(m_window, message, wParam, lParam);
    // The owner keeps this popup as long as it lives itself.
    View::Hold hold(m_owner);
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(m_window, &paint);
        if (const Box* box = m_popup.LayoutBox())
            m_owner.Renderer().PaintPopup(m_owner.Page(), *box, dc, paint.rcPaint);
        EndPaint(m_window, &paint);
        return 0;
    }
    case WM_MOUSEMOVE:
        m_owner.Mouse().OnPopupMove(m_popup, ToPage(lParam), wParam);
        return 0;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
        m_owner.Mouse().OnPopupButton(m_popup, message, ToPage(lParam), wParam);
        return 0;
    default: break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

} // namespace Engine
