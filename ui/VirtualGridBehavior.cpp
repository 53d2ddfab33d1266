#include "ui/VirtualGridBehavior.h"

#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int kOwnAnswerCount = 300;
constexpr int kWheelStep = 3;
// The groups each table's own handler takes: the rows' mouse, keys and focus as in "grid", the
// bar's scroll events, and the behavior events.
constexpr UINT kInstanceGroups =
    HL_HANDLE_MOUSE | HL_HANDLE_KEY | HL_HANDLE_FOCUS | HL_HANDLE_SCROLL | HL_HANDLE_BEHAVIOR_EVENT;

// Writes "row %d, col %d" into every cell of the rows asked for.
void OwnAnswer(const ElementRef& table, VirtualGridRefill& refill)
{
    *refill.RecordCount = kOwnAnswerCount;
    for (int row = refill.FirstRow; row <= refill.LastRow; ++row) {
        const ElementRef tr = table.Child(static_cast<UINT>(row));
        const int record = refill.FirstRecord + row - refill.FirstRow;
        for (UINT col = 0, cells = tr.ChildCount(); col < cells; ++col) {
            wchar_t text[64];
            std::swprintf(text, 64, L"row %d, col %u", record, col);
            tr.Child(col).SetText(text);
        }
    }
}

class VirtualGridHandler : public EventHandler {
protected:
    bool OnAttached(HELEMENT element) override
    {
        if (m_table)
            return false;  // the bar, which this handler also listens to
        m_table = ElementRef(element);
        // The engine attached this handler for the registered groups only; the table's own
        // handler takes more, and the bar beside it sends its scroll events here too.
        static_cast<void>(AttachTo(element, kInstanceGroups));
        m_table.SetState(HL_STATE_FOCUSABLE, 0, Repaint::No);
        m_bar = SelectFirst(m_table.Parent(), "widget[type='vscrollbar']");
        if (m_bar)
            static_cast<void>(AttachTo(m_bar.Handle(), HL_HANDLE_MOUSE | HL_HANDLE_SCROLL));
        Refill();
        return false;
    }

    bool OnDetached(HELEMENT element) override
    {
        if (element != m_table.Handle())
            return false;
        if (m_bar)
            static_cast<void>(HTMLayoutDetachEventHandler(m_bar.Handle(), ElementProc, static_cast<EventHandler*>(this)));
        delete this;
        return false;
    }

    bool OnMouse(HELEMENT element, HtmlMouseParams& params) override
    {
        if (params.cmd == HL_MOUSE_WHEEL) {
            const int delta = static_cast<int>(params.buttonState);
            ScrollTo(m_first + (delta > 0 ? -kWheelStep : kWheelStep));
            return true;
        }
        if (element != m_table.Handle())
            return false;
        return Grid(HL_HANDLE_MOUSE, &params);
    }

    bool OnKey(HELEMENT, HtmlKeyParams& params) override
    {
        if (params.cmd != HL_KEY_DOWN)
            return Grid(HL_HANDLE_KEY, &params);
        const int current = CurrentRow();
        switch (params.keyCode) {
        case VK_DOWN:
            if (current == LastRow() && m_first < LastFirst()) {
                ScrollTo(m_first + 1);
                return true;
            }
            break;
        case VK_UP:
            if (current == Fixed() && m_first > 0) {
                ScrollTo(m_first - 1);
                return true;
            }
            break;
        case VK_NEXT: ScrollTo(m_first + PageSize()); return true;
        case VK_PRIOR: ScrollTo(m_first - PageSize()); return true;
        case VK_HOME: ScrollTo(0); break;
        case VK_END: ScrollTo(LastFirst()); break;
        default: break;
        }
        return Grid(HL_HANDLE_KEY, &params);
    }

    bool OnFocus(HELEMENT, HtmlFocusParams& params) override { return Grid(HL_HANDLE_FOCUS, &params); }

    bool OnScroll(HELEMENT, HtmlScrollParams& params) override
    {
        switch (params.cmd) {
        case HL_SCROLL_HOME: ScrollTo(0); break;
        case HL_SCROLL_END: ScrollTo(LastFirst()); break;
        case HL_SCROLL_STEP_PLUS: ScrollTo(m_first + 1); break;
        case HL_SCROLL_STEP_MINUS: ScrollTo(m_first - 1); break;
        case HL_SCROLL_PAGE_PLUS: ScrollTo(m_first + PageSize()); break;
        case HL_SCROLL_PAGE_MINUS: ScrollTo(m_first - PageSize()); break;
        case HL_SCROLL_POS: ScrollTo(params.pos); break;
        default: return false;
        }
        return true;
    }

    bool OnEvent(HELEMENT element, HtmlBehaviorEventParams& params) override
    {
        if (element != m_table.Handle())
            return false;
        if (params.cmd == VIRTUAL_GRID_RESET) {
            ScrollTo(0);
            return true;
        }
        if (params.cmd == VIRTUAL_GRID_REFILL && params.reason != 0) {
            OwnAnswer(m_table, *reinterpret_cast<VirtualGridRefill*>(params.reason));
            return true;
        }
        return false;
    }

private:
    // Rows are chosen and clicked by the "grid" behavior's own rules.
    bool Grid(UINT group, void* params) const
    {
        Behavior* grid = Behavior::Find("grid");
        return grid != nullptr &&
               ElementProc(static_cast<EventHandler*>(grid), m_table.Handle(), group, params) != FALSE;
    }

    [[nodiscard]] int Fixed() const { return m_table.AttributeInt("fixedrows", 0); }
    [[nodiscard]] int LastRow() const { return static_cast<int>(m_table.ChildCount()) - 1; }
    [[nodiscard]] int PageSize() const { return std::max(1, LastRow() - Fixed() + 1); }
    [[nodiscard]] int LastFirst() const { return std::max(0, m_count - PageSize()); }

    [[nodiscard]] int CurrentRow() const
    {
        for (int i = LastRow(); i >= 0; --i) {
            if (m_table.Child(static_cast<UINT>(i)).TestState(HL_STATE_CURRENT))
                return i;
        }
        return -1;
    }

    void ScrollTo(int first)
    {
        const int wanted = std::clamp(first, 0, LastFirst());
        if (wanted == m_first && m_filled)
            return;
        m_first = wanted;
        Refill();
    }

    // The answer may change the count, and with it where the window may stand.
    void Refill()
    {
        if (LastRow() < Fixed())
            return;
        m_filled = true;
        VirtualGridRefill refill{m_first, Fixed(), LastRow(), &m_count};
        BOOL handled = FALSE;
        const ElementRef table = m_table;
        HTMLayoutSendEvent(table.Handle(), VIRTUAL_GRID_REFILL, table.Handle(), reinterpret_cast<UINT_PTR>(&refill),
                           &handled);
        m_count = std::max(0, m_count);
        m_first = std::clamp(m_first, 0, LastFirst());
        if (m_bar) {
            HtmlScrollBarValueParams value{};
            value.methodId = HL_SCROLL_BAR_SET_VALUE;
            value.value = m_first;
            value.maxValue = m_count;
            value.pageValue = PageSize();
            static_cast<void>(HTMLayoutCallBehaviorMethod(m_bar.Handle(), &value));
        }
        table.Update(Relayout::No);
    }

    ElementRef m_table;
    ElementRef m_bar;
    int m_first = 0;
    int m_count = 0;
    bool m_filled = false;
};

} // namespace

EventHandler* VirtualGridBehavior::HandlerFor(HELEMENT)
{
    return new VirtualGridHandler();
}
