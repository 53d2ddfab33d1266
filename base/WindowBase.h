#pragma once
#include <windows.h>

// The one thunk from a window procedure to the object behind the window, for every window class
// of the program and the engine. The object is kept in a slot of the window (the class's own
// choice: GWLP_USERDATA, DWLP_USER, or extra bytes after a superclassed class's own), set from the
// creation data (WM_NCCREATE for windows, WM_INITDIALOG for dialogs) or by Attach for a window made
// before its object took it over, and forgotten at WM_NCDESTROY, after the object has seen it.
//
// Derived implements:
//   LRESULT OnWindowMessage(UINT, WPARAM, LPARAM)   for WindowProc
//   INT_PTR OnDialogMessage(UINT, WPARAM, LPARAM)   for DialogProc
// and may hide these:
//   static int WindowSlot()                         where the object is kept
//   static LRESULT Unowned(HWND, UINT, WPARAM, LPARAM)  messages before the object is known
//   void OnWindowGone()                             after WM_NCDESTROY
template <typename Derived>
class WindowBase {
public:
    [[nodiscard]] HWND Window() const { return m_window; }

protected:
    static int WindowSlot() { return GWLP_USERDATA; }
    static LRESULT Unowned(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    void OnWindowGone() {}

    // Takes over a window made before the object knew it.
    void Attach(HWND window)
    {
        m_window = window;
        SetWindowLongPtrW(window, Derived::WindowSlot(), reinterpret_cast<LONG_PTR>(static_cast<Derived*>(this)));
    }
    // Lets the window go before it ends: its messages no longer reach the object.
    void Detach()
    {
        if (m_window != nullptr)
            SetWindowLongPtrW(m_window, Derived::WindowSlot(), 0);
        m_window = nullptr;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            if (auto* self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams))
                self->Attach(window);
        }
        Derived* self = From(window);
        if (self == nullptr)
            return Derived::Unowned(window, message, wParam, lParam);
        const LRESULT result = self->OnWindowMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY)
            Forget(window, self);
        return result;
    }

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            if (auto* self = reinterpret_cast<Derived*>(lParam))
                self->Attach(dialog);
        }
        Derived* self = From(dialog);
        if (self == nullptr)
            return FALSE;
        const INT_PTR result = self->OnDialogMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY)
            Forget(dialog, self);
        else if (message == WM_SETTINGCHANGE || message == WM_SYSCOLORCHANGE || message == WM_THEMECHANGED)
            TellChildren(dialog, message, wParam, lParam);
        return result;
    }

    // The system tells top-level windows only that its settings or colours changed (a
    // high-contrast theme among them); the pages in child windows must hear it as well.
    static void TellChildren(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if ((GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0)
            return;
        struct Change {
            UINT Message;
            WPARAM WParam;
            LPARAM LParam;
        } change{message, wParam, lParam};
        EnumChildWindows(window, [](HWND child, LPARAM data) -> BOOL {
            const auto* c = reinterpret_cast<const Change*>(data);
            SendMessageW(child, c->Message, c->WParam, c->LParam);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&change));
    }

    HWND m_window = nullptr;

private:
    static Derived* From(HWND window)
    {
        return reinterpret_cast<Derived*>(GetWindowLongPtrW(window, Derived::WindowSlot()));
    }
    static void Forget(HWND window, Derived* self)
    {
        SetWindowLongPtrW(window, Derived::WindowSlot(), 0);
        self->m_window = nullptr;
        self->OnWindowGone();
    }
};
