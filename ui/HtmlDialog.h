#pragma once
#include "base/FieldValue.h"
#include "ui/EventHandler.h"

// A page given as bytes, shown as a modal dialog by the engine, whose form values go back to
// the caller. The page ends the dialog with a button whose name is a dialog result ("ok",
// "cancel", ...); Enter and Escape click its "default-button" and "cancel-button" roles.
class HtmlDialog : public EventHandler {
public:
    explicit HtmlDialog(HWND parent);

    // The form is filled from this map when the page opens, and collected into it by the
    // buttons that collect. Not owned; null for none.
    void SetValues(FieldMap* values) { m_values = values; }

    // The result of the button that ended the dialog (IDOK ... IDHELP), 2 for the close box, -1
    // when the page could not be shown.
    INT_PTR Show(const BYTE* bytes, UINT length);

    POINT Position{0, 0};
    int Alignment = 0;  // 0 centred over the parent; 1 to 9 as on a numeric keypad
    UINT Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    UINT ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

protected:
    bool OnAttached(HELEMENT root) override;
    bool OnKey(HELEMENT root, HtmlKeyParams& params) override;
    bool OnEvent(HELEMENT root, HtmlBehaviorEventParams& params) override;

private:
    static LRESULT CALLBACK NotifyProc(UINT message, WPARAM wParam, LPARAM lParam, LPVOID param);

    HWND m_parent;
    FieldMap* m_values = nullptr;
};
