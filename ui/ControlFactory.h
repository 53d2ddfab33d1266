#pragma once
#include "engine/HTMLayout.h"

// Puts a window of its own in an element's place when the engine asks (the create-control
// notification): a date-time picker for type "sys-datetime", a month calendar for
// "sys-calendar", a nested page for an iframe. Styles come from the element's attributes, which
// can only add flags; the control id is its "id" read as a decimal number.
class ControlFactory {
public:
    // Fills the notification's window field with the new window, or 1 when it could not be made;
    // leaves it alone for any other element. A nested page's notifications go to the callback
    // with its parameter, as the outer page's do.
    static void Create(HtmlNotifyCreateControl& request, HtmlNotifyProc callback, LPVOID param);

    // What a nested page shows until (or unless) its "src" loads: 86 characters and their zero.
    static constexpr char kBlankPage[] =
        "<html><body leftmargin=1 topmargin=1 rightmargin=1 bottommargin=1>&nbsp;</body></html>";
    static_assert(sizeof(kBlankPage) == 87);

private:
    static HWND CreateNestedPage(HtmlNotifyCreateControl& request, DWORD style, DWORD exStyle, HtmlNotifyProc callback,
                                 LPVOID param);
};
