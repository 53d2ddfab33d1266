#pragma once
#include "base/WindowBase.h"
#include "engine/HTMLayout.h"

namespace Engine {

// What the host hands over for one modal dialog around a page given as bytes.
struct DialogRequest {
    HWND Parent;
    POINT Position;  // screen coordinates
    int Alignment;
    UINT Style;
    UINT StyleEx;
    HtmlNotifyProc Notify;
    HtmlElementProc Events;
    void* Param;
    const BYTE* Html;
    UINT Length;
};

// A system modal dialog, made from a template in memory with no controls, whose client area is
// one engine window with the page. The host ends it with EndDialog on the engine window's parent;
// the close box ends it with IDCANCEL. Sized to the page within the monitor's work area, captioned
// with the page's title, placed by the alignment:
//   0     centred over the parent, or in the work area without one (the position is not used);
//   1..9  the dialog's point that sits where that key sits on a numeric keypad goes to the
//         position: 7 its top-left corner, 5 its centre, 3 its bottom-right corner;
//   other values act like 0.
// It is then moved, when needed, to lie inside its monitor's work area.
class ModalDialog : public WindowBase<ModalDialog> {
    friend class WindowBase<ModalDialog>;

public:
    explicit ModalDialog(const DialogRequest& request) : m_request(request) {}
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // The code EndDialog gave, IDCANCEL for the close box, -1 when the page did not load or the
    // dialog could not be made.
    [[nodiscard]] INT_PTR Run();

private:
    static int WindowSlot() { return DWLP_USER; }
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] bool OnInitDialog();
    void SetCaptionFromTitle();
    void SizeAndPlace();
    [[nodiscard]] RECT Placed(SIZE size, const RECT& workArea) const;

    DialogRequest m_request;
    HWND m_page = nullptr;
};

} // namespace Engine
