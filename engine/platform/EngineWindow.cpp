#include "engine/platform/EngineWindow.h"

#include "engine/platform/View.h"

namespace Engine {

const wchar_t* EngineWindow::ClassName()
{
    static const wchar_t* const name = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"HtmlEngineWindow";
        RegisterClassExW(&windowClass);
        return L"HtmlEngineWindow";
    }();
    return name;
}

LRESULT CALLBACK EngineWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: static_cast<void>(View::Ensure(window)); break;
    case WM_NCDESTROY: View::End(window); break;
    case WM_CAPTURECHANGED:
        if (View* view = View::ForWindow(window))
            view->Page().SetCaptureElement(nullptr);
        break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace Engine
