#include "engine/platform/NativeWindows.h"

#include "engine/HTMLayout.h"
#include "engine/dom/Element.h"
#include "engine/layout/LayoutTree.h"
#include "engine/platform/ElementHandles.h"
#include "engine/platform/View.h"

#include <algorithm>

namespace Engine {

namespace {

// A window with no size of its own gets what browsers give an iframe.
constexpr int kDefaultWidth = 300;
constexpr int kDefaultHeight = 150;

// A box's content box, and the part of it that the scroll containers around it show.
Rect ContentOf(const Box& box, Rect& shown)
{
    const UsedValues& own = box.Used();
    Rect content{own.PageX + own.ContentX(), own.PageY + own.ContentY(),
                 std::max(0, own.Width - own.Border.Horizontal() - own.Padding.Horizontal()),
                 std::max(0, own.Height - own.Border.Vertical() - own.Padding.Vertical())};
    shown = content;
    for (const Box* at = box.Parent; at != nullptr; at = at->Parent) {
        if (!at->IsScroller())
            continue;
        const UsedValues& used = at->Used();
        Rect view{used.PageX + used.Border.Left, used.PageY + used.Border.Top,
                  std::max(0, used.Width - used.Border.Horizontal() - at->BarV()),
                  std::max(0, used.Height - used.Border.Vertical() - at->BarH())};
        shown = shown.Intersect(view);
    }
    return content;
}

// A shown popup lies in a window of its own, which a child of the page's window cannot follow.
bool Displayed(const Box* box)
{
    if (box == nullptr || box->S().Inherited.Visible != Visibility::Visible)
        return false;
    for (const Box* at = box; at != nullptr; at = at->Parent) {
        if (at->Owner != nullptr && (at->Owner->State() & kStatePopup) != 0)
            return false;
    }
    return true;
}

bool HasVisibleStyle(HWND window)
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

bool NativeWindows::AskHost()
{
    LayoutTree& layout = m_view.Renderer().Layout();
    std::vector<Element*> slots = layout.TakeWindowSlots(m_view.Page());
    bool filled = false;
    for (Element* element : slots) {
        HtmlNotifyCreateControl request{};
        request.header.code = HLN_CREATE_CONTROL;
        request.element = ToHandle(element);
        request.parentWindow = m_view.Window();
        if (!m_view.Ended())
            m_view.Notify(request.header);
        HWND window = request.controlWindow;
        ChildWindow made(window != nullptr && window != reinterpret_cast<HWND>(1) && IsWindow(window) ? window : nullptr);
        // The host may have ended the window or changed the page meanwhile: a window for an
        // element no longer shown here goes at once.
        if (m_view.Ended() || element->OwnerDocument() != &m_view.Page()) {
            element->Unuse();
            continue;
        }
        if (made) {
            RECT own{};
            GetWindowRect(made.Get(), &own);
            int dpi = m_view.Renderer().Dpi();
            int width = own.right - own.left > 0 ? own.right - own.left : kDefaultWidth * dpi / 96;
            int height = own.bottom - own.top > 0 ? own.bottom - own.top : kDefaultHeight * dpi / 96;
            layout.SetWindowSize(*element, width, height);
            Entry entry{element, std::move(made)};
            entry.Last = RECT{-1, -1, -1, -1};
            m_entries.push_back(std::move(entry));
            filled = true;
        } else {
            layout.DeclineWindow(*element);
        }
        element->Unuse();
    }
    return filled;
}

void NativeWindows::Place()
{
    for (Entry& entry : m_entries) {
        HWND window = entry.Window.Get();
        const Box* box = entry.Owner->LayoutBox();
        if (!Displayed(box)) {
            if (!entry.HiddenHere && HasVisibleStyle(window)) {
                SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                entry.HiddenHere = true;
            }
            continue;
        }
        Rect shown;
        Rect content = ContentOf(*box, shown);
        RECT place{content.X, content.Y, content.Right(), content.Bottom()};
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (entry.HiddenHere)
            flags |= SWP_SHOWWINDOW;
        if (!SameRect(place, entry.Last) || entry.HiddenHere)
            SetWindowPos(window, nullptr, place.left, place.top, content.Width, content.Height, flags);
        entry.Last = place;
        entry.HiddenHere = false;
        // Cut to what the scroll containers around it show, so that it never covers their
        // edges; scrolled out of their view, nothing of it is left.
        RECT clip{};
        if (shown.Empty())
            clip = RECT{0, 0, 0, 1};
        else if (shown.X != content.X || shown.Y != content.Y || shown.Width != content.Width || shown.Height != content.Height)
            clip = RECT{shown.X - content.X, shown.Y - content.Y, shown.Right() - content.X, shown.Bottom() - content.Y};
        if (!SameRect(clip, entry.Clip)) {
            bool whole = clip.right == 0 && clip.bottom == 0;
            // The system owns a region once it is set.
            SetWindowRgn(window, whole ? nullptr : CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom), TRUE);
            entry.Clip = clip;
        }
    }
}

void NativeWindows::ElementLeaving(Element& element)
{
    std::erase_if(m_entries, [&](const Entry& entry) { return entry.Owner == &element; });
}

} // namespace Engine
