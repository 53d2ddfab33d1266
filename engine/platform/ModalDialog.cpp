#include "engine/platform/ModalDialog.h"

#include "engine/platform/EngineWindow.h"
#include "engine/platform/View.h"

#include <algorithm>
#include <string>

namespace Engine {

namespace {

constexpr int kPageId = 100;  // neither IDOK nor IDCANCEL
// A page whose lines could run wider is broken at this width (CSS pixels), so that a paragraph
// of text makes a dialog rather than a banner; a tiny page still gets room for its caption.
constexpr int kWidestPreferred = 600;
constexpr int kNarrowest = 200;

// A template with no controls and no menu, class or title; the dialog manager reads it from
// DWORD-aligned memory.
struct alignas(4) EmptyTemplate {
    DLGTEMPLATE Header;
    WORD Menu;
    WORD WindowClass;
    WORD Title;
};

RECT WorkAreaOf(HMONITOR monitor)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info))
        return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return info.rcWork;
}

std::wstring CollapsedWhiteSpace(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        bool space = c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f';
        if (!space)
            out += c;
        else if (!out.empty() && out.back() != L' ')
            out += L' ';
    }
    if (!out.empty() && out.back() == L' ')
        out.pop_back();
    return out;
}

} // namespace

INT_PTR ModalDialog::Run()
{
    if (m_request.Html == nullptr)
        return -1;
    EmptyTemplate dialogTemplate{};
    // Shown by the dialog manager once sized and placed, never before: a page that fails to load
    // shows nothing.
    dialogTemplate.Header.style = m_request.Style & ~static_cast<DWORD>(WS_VISIBLE);
    dialogTemplate.Header.dwExtendedStyle = m_request.StyleEx;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.Header, m_request.Parent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
}

INT_PTR ModalDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (!OnInitDialog()) {
            EndDialog(m_window, -1);
            return FALSE;
        }
        return TRUE;  // the keyboard focus goes to the page, the only tab stop
    case WM_SIZE:
        if (m_page != nullptr)
            MoveWindow(m_page, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return TRUE;
    case WM_CLOSE:
        EndDialog(m_window, IDCANCEL);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(m_window, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

bool ModalDialog::OnInitDialog()
{
    HWND dialog = m_window;
    RECT client{};
    GetClientRect(dialog, &client);
    m_page = CreateWindowExW(0, EngineWindow::ClassName(), L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0,
                             client.right, client.bottom, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageId)),
                             GetModuleHandleW(nullptr), nullptr);
    if (m_page == nullptr)
        return false;
    View::Ensure(m_page).SetOwnsAllKeys(true);
    if (m_request.Notify != nullptr)
        HTMLayoutSetCallback(m_page, m_request.Notify, m_request.Param);
    if (!HTMLayoutLoadHtml(m_page, m_request.Html, m_request.Length))
        return false;
    HELEMENT root = nullptr;
    if (m_request.Events != nullptr && HTMLayoutGetRootElement(m_page, &root) == HLDOM_OK)
        HTMLayoutAttachEventHandlerEx(root, m_request.Events, m_request.Param, HL_HANDLE_ALL);
    // The element procedure may have ended the dialog, or taken the page away, while attaching.
    if (!IsWindow(m_page))
        return false;
    SetCaptionFromTitle();
    SizeAndPlace();
    return true;
}

void ModalDialog::SetCaptionFromTitle()
{
    HELEMENT root = nullptr;
    HELEMENT title = nullptr;
    if (HTMLayoutGetRootElement(m_page, &root) != HLDOM_OK)
        return;
    HTMLayoutSelectElements(
        root, "title",
        [](HELEMENT he, LPVOID param) -> BOOL {
            *static_cast<HELEMENT*>(param) = he;
            return TRUE;
        },
        &title);
    if (title == nullptr)
        return;
    std::wstring text;
    HTMLayoutGetElementInnerText16(
        title, [](LPCWSTR value, UINT length, LPVOID param) { static_cast<std::wstring*>(param)->assign(value, length); },
        &text);
    SetWindowTextW(m_window, CollapsedWhiteSpace(text).c_str());
}

void ModalDialog::SizeAndPlace()
{
    HMONITOR monitor = nullptr;
    if (m_request.Alignment >= 1 && m_request.Alignment <= 9)
        monitor = MonitorFromPoint(m_request.Position, MONITOR_DEFAULTTONEAREST);
    else if (m_request.Parent != nullptr)
        monitor = MonitorFromWindow(m_request.Parent, MONITOR_DEFAULTTONEAREST);
    else
        monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    const RECT work = WorkAreaOf(monitor);

    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_EXSTYLE)));
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    const int roomWidth = std::max(1, static_cast<int>(work.right - work.left) - frameWidth);
    const int roomHeight = std::max(1, static_cast<int>(work.bottom - work.top) - frameHeight);

    View* view = View::ForWindow(m_page);
    const int minWidth = static_cast<int>(HTMLayoutGetMinWidth(m_page));  // brings the layout up to date
    const int dpi = view->Renderer().Dpi();
    const int preferred = std::min(view->Renderer().Layout().MaxWidth(), MulDiv(kWidestPreferred, dpi, 96));
    const int width = std::min(roomWidth, std::max({minWidth, preferred, MulDiv(kNarrowest, dpi, 96)}));
    const int height = std::clamp(static_cast<int>(HTMLayoutGetMinHeight(m_page, static_cast<UINT>(width))), 1, roomHeight);

    const RECT placed = Placed(SIZE{width + frameWidth, height + frameHeight}, work);
    SetWindowPos(m_window, nullptr, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ModalDialog::Placed(SIZE size, const RECT& work) const
{
    POINT at{};
    const int alignment = m_request.Alignment;
    if (alignment >= 1 && alignment <= 9) {
        const int column = (alignment - 1) % 3;    // 0 left, 1 centre, 2 right
        const int row = 2 - (alignment - 1) / 3;   // 0 top, 1 middle, 2 bottom
        at = POINT{m_request.Position.x - column * size.cx / 2, m_request.Position.y - row * size.cy / 2};
    } else {
        RECT over = work;
        if (m_request.Parent != nullptr && !IsIconic(GetAncestor(m_request.Parent, GA_ROOT)))
            GetWindowRect(GetAncestor(m_request.Parent, GA_ROOT), &over);
        at = POINT{(over.left + over.right - size.cx) / 2, (over.top + over.bottom - size.cy) / 2};
    }
    // Inside the work area; a dialog larger than it keeps its top-left corner (and caption) there.
    at.x = std::max(static_cast<LONG>(work.left), std::min(at.x, static_cast<LONG>(work.right - size.cx)));
    at.y = std::max(static_cast<LONG>(work.top), std::min(at.y, static_cast<LONG>(work.bottom - size.cy)));
    return RECT{at.x, at.y, at.x + size.cx, at.y + size.cy};
}

} // namespace Engine
