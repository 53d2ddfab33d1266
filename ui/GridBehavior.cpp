#include "ui/GridBehavior.h"

#include "ui/CommandInfo.h"
#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

// One table and the rows that are its direct children.
class Grid {
public:
    explicit Grid(HELEMENT table)
        : m_table(table), m_fixed(m_table.AttributeInt("fixedrows", 0)), m_multiple(m_table.HasAttribute("multiple")),
          m_count(static_cast<int>(m_table.ChildCount()))
    {
    }

    [[nodiscard]] int Fixed() const { return m_fixed; }
    [[nodiscard]] int Count() const { return m_count; }
    [[nodiscard]] ElementRef Row(int index) const { return m_table.Child(static_cast<UINT>(index)); }

    [[nodiscard]] static bool IsVisible(const ElementRef& row)
    {
        const wchar_t* display = row.StyleAttribute("display");
        return display == nullptr || _wcsicmp(display, L"none") != 0;
    }

    // The row of the table that holds the element, or null.
    [[nodiscard]] ElementRef RowOf(HELEMENT element) const
    {
        for (ElementRef at(element); at; at = at.Parent()) {
            ElementRef parent = at.Parent();
            if (parent == m_table)
                return at;
        }
        return {};
    }

    [[nodiscard]] int CurrentIndex() const
    {
        for (int i = m_count; i-- > 0;) {
            if (Row(i).TestState(HL_STATE_CURRENT))
                return i;
        }
        return -1;
    }

    // The first visible row from start on, stepping by step, never above the header rows.
    [[nodiscard]] int VisibleFrom(int start, int step) const
    {
        for (int i = start; i >= m_fixed && i < m_count; i += step) {
            if (IsVisible(Row(i)))
                return i;
        }
        return -1;
    }

    [[nodiscard]] bool IsHeader(const ElementRef& row) const { return static_cast<int>(row.Index()) < m_fixed; }

    // Header rows are never current: they name the columns, no command acts on them.
    void SetCurrent(const ElementRef& row) const
    {
        if (IsHeader(row))
            return;
        int current = CurrentIndex();
        if (current >= 0 && Row(current) == row)
            return;
        if (current >= 0)
            Row(current).SetState(0, HL_STATE_CURRENT, Repaint::No);
        row.SetState(HL_STATE_CURRENT, 0, Repaint::Yes);
        row.ScrollToView();
        UpdateWindow(row.Window());
        HTMLayoutPostEvent(m_table.Handle(), HL_TABLE_ROW_CLICK, row.Handle(), row.Index());
    }

    void SetAnchor(const ElementRef& row, bool checked) const
    {
        if (ElementRef old = SelectFirst(m_table, "tr:anchor"))
            old.SetState(0, HL_STATE_ANCHOR, Repaint::Yes);
        row.SetState(HL_STATE_ANCHOR | (checked ? HL_STATE_CHECKED : 0u), 0, Repaint::Yes);
    }

    void UncheckAll() const
    {
        if (!m_multiple)
            return;
        std::vector<ElementRef> rows;
        SelectAll(m_table, rows, "tr:checked");
        for (const ElementRef& row : rows)
            row.SetState(0, HL_STATE_CHECKED, Repaint::Yes);
    }

    void CheckAll() const
    {
        for (int i = m_fixed; i < m_count; ++i)
            Row(i).SetState(HL_STATE_CHECKED, 0, Repaint::Yes);
    }

    void CheckRange(int to) const
    {
        if (!m_multiple)
            return;
        ElementRef anchor = SelectFirst(m_table, "tr:anchor");
        int from = anchor ? static_cast<int>(anchor.Index()) : m_fixed;
        if (from > to)
            std::swap(from, to);
        for (int i = std::max(from, m_fixed); i <= to && i < m_count; ++i) {
            ElementRef row = Row(i);
            if (IsVisible(row))
                row.SetState(HL_STATE_CHECKED, 0, Repaint::Yes);
        }
    }

    // Shift extends the checked range from the anchor; otherwise the row becomes the anchor.
    void MoveTo(int index, UINT keys) const
    {
        ElementRef row = Row(index);
        if ((keys & HL_SHIFT_KEY_PRESSED) != 0)
            CheckRange(index);
        else
            SetAnchor(row, true);
        SetCurrent(row);
    }

    [[nodiscard]] const ElementRef& Table() const { return m_table; }
    [[nodiscard]] bool Multiple() const { return m_multiple; }

private:
    ElementRef m_table;
    int m_fixed;
    bool m_multiple;
    int m_count;
};

void SendRowCommand(const ElementRef& table, WPARAM kind, HELEMENT under)
{
    SendMessageW(table.Window(), WM_HTML_COMMAND, kind, reinterpret_cast<LPARAM>(under));
}

// Page Down and Page Up: the row about a page beyond what the table shows (location kinds as the
// engine reports them: what shows of the table, the rows' border boxes).
void MovePage(const Grid& grid, bool down, UINT keys)
{
    const RECT shown = grid.Table().Location(HL_ROOT_RELATIVE | HL_SCROLLABLE_AREA);
    const long page = shown.bottom - shown.top;
    const long limit = down ? shown.bottom + page : shown.top - page;
    int visited = -1;
    for (int i = down ? grid.VisibleFrom(grid.Fixed(), 1) : grid.VisibleFrom(grid.Count() - 1, -1); i >= 0;
         i = grid.VisibleFrom(i + (down ? 1 : -1), down ? 1 : -1)) {
        const RECT box = grid.Row(i).Location(HL_ROOT_RELATIVE | HL_BORDER_BOX);
        if (down ? box.bottom > limit : box.top < limit) {
            grid.MoveTo(visited >= 0 ? visited : i, keys);
            return;
        }
        visited = i;
    }
    // No row lies that far: the last (or topmost) row shown becomes current.
    if (visited >= 0)
        grid.SetCurrent(grid.Row(visited));
}

} // namespace

bool GridBehavior::OnAttached(HELEMENT table)
{
    // The grid takes keys, so a click on it must give it the focus.
    ElementRef(table).SetState(HL_STATE_FOCUSABLE, 0, Repaint::No);
    return false;
}

bool GridBehavior::OnMouse(HELEMENT table, HtmlMouseParams& params)
{
    if (params.cmd != HL_MOUSE_DOWN && params.cmd != HL_MOUSE_DCLICK)
        return false;
    Grid grid(table);
    ElementRef row = grid.RowOf(params.target);
    if (!row)
        return false;
    const int index = static_cast<int>(row.Index());
    const bool header = grid.IsHeader(row);
    if ((params.buttonState & HL_PROP_MOUSE_BUTTON) != 0) {
        if (!header) {
            grid.SetCurrent(row);
            SendRowCommand(grid.Table(), COMMAND_ROW_MENU, params.target);
        }
        return false;
    }
    if ((params.buttonState & HL_MAIN_MOUSE_BUTTON) == 0)
        return false;
    if (params.cmd == HL_MOUSE_DCLICK && !header) {
        grid.SetCurrent(row);
        SendRowCommand(grid.Table(), COMMAND_ROW_DCLICK, params.target);
    }
    if (header) {
        for (ElementRef cell(params.target); cell; cell = cell.Parent()) {
            if (cell.Parent() == row) {
                HTMLayoutPostEvent(table, HL_TABLE_HEADER_CLICK, cell.Handle(), cell.Index());
                break;
            }
        }
        return true;
    }
    if (grid.Multiple()) {
        if ((params.altState & HL_SHIFT_KEY_PRESSED) != 0) {
            grid.UncheckAll();
            grid.CheckRange(index);
        } else {
            // Ctrl toggles the row's check; the anchor moves to it without undoing that toggle.
            bool checked = true;
            if ((params.altState & HL_CONTROL_KEY_PRESSED) != 0)
                checked = !row.TestState(HL_STATE_CHECKED);
            else
                grid.UncheckAll();
            row.SetState(0, HL_STATE_CHECKED, Repaint::No);
            grid.SetAnchor(row, checked);
        }
    }
    grid.SetCurrent(row);
    return true;
}

bool GridBehavior::OnKey(HELEMENT table, HtmlKeyParams& params)
{
    if (params.cmd != HL_KEY_DOWN)
        return false;
    Grid grid(table);
    const UINT keys = params.altState;
    const int current = grid.CurrentIndex();
    int target = -1;
    switch (params.keyCode) {
    case VK_DOWN: target = grid.VisibleFrom(current < 0 ? grid.Fixed() : current + 1, 1); break;
    case VK_UP: target = grid.VisibleFrom(current < 0 ? grid.Count() - 1 : current - 1, -1); break;
    case VK_HOME: case VK_END: {
        const bool home = params.keyCode == VK_HOME;
        target = home ? grid.VisibleFrom(grid.Fixed(), 1) : grid.VisibleFrom(grid.Count() - 1, -1);
        if (target >= 0)
            grid.SetCurrent(grid.Row(target));
        break;
    }
    case VK_NEXT: case VK_PRIOR: MovePage(grid, params.keyCode == VK_NEXT, keys); return true;
    case VK_F10:
        if ((keys & HL_SHIFT_KEY_PRESSED) == 0)
            return false;
        [[fallthrough]];
    case VK_APPS: {
        // The keyboard's way to the row menu: on the current row, or the first one when none is.
        const int row = current >= 0 ? current : grid.VisibleFrom(grid.Fixed(), 1);
        if (row < 0)
            return true;
        grid.SetCurrent(grid.Row(row));
        SendRowCommand(grid.Table(), COMMAND_ROW_MENU, grid.Row(row).Handle());
        return true;
    }
    case 'A':
        if ((keys & HL_CONTROL_KEY_PRESSED) == 0 || !grid.Multiple())
            return false;
        grid.CheckAll();
        return true;
    default: return false;
    }
    if (target >= 0) {
        grid.UncheckAll();
        grid.MoveTo(target, keys);
    }
    return true;
}
