#include "engine/platform/EngineWindow.h"

#include "engine/css/CssValue.h"
#include "engine/platform/EventDispatcher.h"
#include "engine/platform/AccessibleElement.h"
#include "engine/platform/View.h"

#include <windowsx.h>

namespace Engine {

namespace {

Color SystemColor(int index)
{
    COLORREF color = GetSysColor(index);
    return MakeColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

POINT PointOf(LPARAM lParam)
{
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

} // namespace

const wchar_t* EngineWindow::Register(const wchar_t* name, WNDPROC procedure, UINT style, HCURSOR cursor)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = cursor;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
    return name;
}

const wchar_t* EngineWindow::ClassName()
{
    SetSystemColorSource(SystemColor);
    // No class cursor: the page's style chooses.
    static const wchar_t* const name = Register(L"HtmlEngineWindow", WindowProc, CS_DBLCLKS | CS_GLOBALCLASS, nullptr);
    return name;
}

LRESULT CALLBACK EngineWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        static_cast<void>(View::Ensure(window));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        View::End(window);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT handedOver = 0;
    if (message >= 0xC000 && AccessibleElement::RunHandedOver(message, lParam, handedOver))
        return handedOver;
    View* view = View::ForWindow(window);
    if (view == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    // A handler may destroy this window inside the message: the view stays until this returns.
    View::Hold hold(*view);
    switch (message) {
    case WM_GETOBJECT: return AccessibleElement::Answer(window, wParam, lParam);
    case WM_ERASEBKGND: return 1;  // the page covers the whole client area
    // In a dialog, Escape, Enter and Tab belong to the page (its buttons and inputs), not to the
    // dialog manager, which would turn them into IDCANCEL, IDOK and focus moves.
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        if (paint.rcPaint.right > paint.rcPaint.left && paint.rcPaint.bottom > paint.rcPaint.top)
            view->Renderer().Paint(view->Style(), dc, paint.rcPaint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SIZE: view->UpdateNow(); return 0;
    case WM_DPICHANGED: {
        view->Renderer().SetDpi(view->Style(), HIWORD(wParam));
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        if (suggested != nullptr && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0)
            SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        view->UpdateNow();
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_SETTINGCHANGE: case WM_SYSCOLORCHANGE: case WM_THEMECHANGED:
        view->Page().MarkStyleDirty();
        return 0;
    case WM_MOUSEMOVE: view->Mouse().OnMove(PointOf(lParam), wParam); return 0;
    case WM_MOUSELEAVE: view->Mouse().OnLeave(); return 0;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
        view->Mouse().OnButton(message, PointOf(lParam), wParam);
        return 0;
    case WM_MOUSEWHEEL:
        view->Mouse().OnWheel(PointOf(lParam), GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && view->Mouse().OnSetCursor())
            return TRUE;
        break;
    case WM_CAPTURECHANGED: view->Page().SetCaptureElement(nullptr); break;
    case WM_SETFOCUS: case WM_KILLFOCUS:
        if (Element* focus = view->Page().FocusElement())
            view->Renderer().Layout().Repaint(*focus);
        if (message == WM_SETFOCUS) {
            view->Keyboard().OnSetFocus();
            // The window's focus is its focused element's, for whoever follows the focus.
            if (Element* focus = view->Page().FocusElement())
                view->Access().FocusMoved(*focus);
        } else {
            view->HidePopups();  // a popup does not outlive its owner's focus
        }
        view->ScheduleUpdate();
        break;
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP:
        // A system key that the page took (Alt+F4 in a view that hides its window) must not go on
        // to become the system's command as well.
        if (view->Keyboard().OnKey(message, wParam, lParam) || message == WM_KEYDOWN || message == WM_KEYUP)
            return 0;
        break;
    case WM_CHAR: case WM_IME_CHAR: view->Keyboard().OnChar(wParam); return 0;
    case WM_GETDLGCODE: return view->Keyboard().DialogCode(reinterpret_cast<const MSG*>(lParam));
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace Engine
