#include "engine/layout/LayoutContext.h"

#include "engine/dom/Element.h"

#include <algorithm>
#include <cwchar>

namespace Engine {

namespace {

constexpr int kMaxSpan = 1000;

using Grid = TableCache::Grid;
using Columns = TableCache::Columns;

// Places every cell in the grid (CSS 2.1, 17.5): each takes the first column its row has free
// of cells spanning down from above.
Grid BuildGrid(Box& table)
{
    Grid grid;
    for (auto& child : table.Children()) {
        if (child->Kind == BoxKind::RowGroup) {
            for (auto& row : child->Children()) {
                if (row->Kind == BoxKind::Row)
                    grid.Rows.push_back(row.get());
            }
        } else if (child->Kind == BoxKind::Row) {
            grid.Rows.push_back(child.get());
        } else {
            grid.Captions.push_back(child.get());
        }
    }
    std::vector<int> busyUntil;  // per column: the first row it is free again
    for (std::size_t r = 0; r < grid.Rows.size(); ++r) {
        int column = 0;
        for (auto& child : grid.Rows[r]->Children()) {
            if (child->Kind != BoxKind::Cell)
                continue;
            CellPlace& place = child->Cell();
            while (column < static_cast<int>(busyUntil.size()) && busyUntil[static_cast<std::size_t>(column)] > static_cast<int>(r))
                ++column;
            place.Column = column;
            place.Row = static_cast<int>(r);
            place.RowSpan = static_cast<short>(std::min<int>(place.RowSpanAsked, static_cast<int>(grid.Rows.size() - r)));
            if (busyUntil.size() < static_cast<std::size_t>(column + place.ColSpan))
                busyUntil.resize(static_cast<std::size_t>(column + place.ColSpan), 0);
            for (int c = column; c < column + place.ColSpan; ++c)
                busyUntil[static_cast<std::size_t>(c)] = static_cast<int>(r) + place.RowSpan;
            column += place.ColSpan;
            place.Index = static_cast<int>(grid.Cells.size());
            grid.Spans = grid.Spans || place.ColSpan > 1 || place.RowSpan > 1;
            grid.Cells.push_back(child.get());
        }
    }
    grid.Columns = static_cast<int>(busyUntil.size());
    grid.ColumnCells.resize(busyUntil.size());
    for (Box* cell : grid.Cells) {
        const CellPlace& place = cell->Cell();
        if (place.ColSpan == 1)
            grid.ColumnCells[static_cast<std::size_t>(place.Column)].push_back(place.Index);
    }
    return grid;
}

int Spacing(const Box& table, bool vertical)
{
    const InheritedStyle& s = table.S().Inherited;
    if (s.CollapseBorders)
        return 0;
    return vertical ? s.SpacingY : s.SpacingX;
}

Columns MeasureColumns(Box& table, const Grid& grid, LayoutContext& context)
{
    Columns columns;
    std::size_t n = static_cast<std::size_t>(grid.Columns);
    columns.Min.assign(n, 0);
    columns.Max.assign(n, 0);
    columns.Percent.assign(n, 0);
    columns.Fixed.assign(n, false);
    int spacing = Spacing(table, false);
    // Single-column cells first, then spanning cells spread what the columns lack.
    for (int pass = 0; pass < 2; ++pass) {
        for (Box* cell : grid.Cells) {
            const CellPlace& place = cell->Cell();
            if ((place.ColSpan == 1) != (pass == 0))
                continue;
            int minWidth = 0, maxWidth = 0;
            BlockLayout::Intrinsic(*cell, context, minWidth, maxWidth);
            const Length& width = cell->S().Box.Width;
            std::size_t first = static_cast<std::size_t>(place.Column);
            std::size_t span = std::min<std::size_t>(static_cast<std::size_t>(place.ColSpan), n - first);
            if (pass == 0) {
                columns.Min[first] = std::max(columns.Min[first], minWidth);
                columns.Max[first] = std::max(columns.Max[first], maxWidth);
                if (width.IsPercent())
                    columns.Percent[first] = std::max(columns.Percent[first], std::clamp(width.Value, 0.0f, 100.0f));
                else if (width.Type == Length::Kind::Px)
                    columns.Fixed[first] = true;
                continue;
            }
            int haveMin = static_cast<int>(span - 1) * spacing, haveMax = haveMin;
            for (std::size_t c = first; c < first + span; ++c) {
                haveMin += columns.Min[c];
                haveMax += columns.Max[c];
            }
            // What the columns lack goes to those of automatic width, as browsers do; only when
            // every one has a width of its own do they all share it.
            std::vector<std::size_t> takers;
            for (std::size_t c = first; c < first + span; ++c) {
                if (!columns.Fixed[c])
                    takers.push_back(c);
            }
            if (takers.empty()) {
                for (std::size_t c = first; c < first + span; ++c)
                    takers.push_back(c);
            }
            int share = static_cast<int>(takers.size());
            for (std::size_t c : takers) {
                bool firstTaker = c == takers.front();
                if (minWidth > haveMin)
                    columns.Min[c] += (minWidth - haveMin) / share + (firstTaker ? (minWidth - haveMin) % share : 0);
                if (maxWidth > haveMax)
                    columns.Max[c] += (maxWidth - haveMax) / share + (firstTaker ? (maxWidth - haveMax) % share : 0);
                columns.Max[c] = std::max(columns.Max[c], columns.Min[c]);
            }
            if (width.IsPercent() && span > 0) {
                for (std::size_t c = first; c < first + span; ++c)
                    columns.Percent[c] = std::max(columns.Percent[c], width.Value / static_cast<float>(span));
            }
        }
    }
    return columns;
}

// The fixed table layout (CSS 2.1, 17.5.2.1) applies only to a table with a width; otherwise the
// automatic one does.
bool FixedColumns(const Box& table)
{
    return table.S().Box.ColumnLayout == TableLayoutMode::Fixed && !table.S().Box.Width.IsAuto();
}

// The fixed layout's columns come from the first row's cells alone, whatever the other cells
// hold: a fixed width (the cell's border box) as Min and Max, a percentage, or nothing (auto).
// A cell spanning columns shares its width among them.
Columns MeasureFirstRow(const Grid& grid)
{
    Columns columns;
    std::size_t n = static_cast<std::size_t>(grid.Columns);
    columns.Min.assign(n, 0);
    columns.Percent.assign(n, 0);
    columns.Fixed.assign(n, false);
    for (Box* cell : grid.Cells) {
        const CellPlace& place = cell->Cell();
        if (place.Row != 0)
            break;
        const Length& width = cell->S().Box.Width;
        std::size_t first = static_cast<std::size_t>(place.Column);
        std::size_t span = std::min<std::size_t>(static_cast<std::size_t>(place.ColSpan), n - first);
        if (span == 0 || width.IsAuto())
            continue;
        int share = static_cast<int>(span);
        if (width.IsPercent()) {
            for (std::size_t c = first; c < first + span; ++c)
                columns.Percent[c] = std::clamp(width.Value, 0.0f, 100.0f) / static_cast<float>(share);
            continue;
        }
        int total = std::clamp(std::max(0, width.Resolve(0)) + BlockLayout::HorizontalEdges(*cell, 0), 0, kMaxSize);
        for (std::size_t c = first; c < first + span; ++c) {
            columns.Min[c] = total / share + (c == first ? total % share : 0);
            columns.Fixed[c] = true;
        }
    }
    columns.Max = columns.Min;
    return columns;
}

int TableEdges(const Box& table)
{
    return table.Used().Border.Horizontal() + table.Used().Padding.Horizontal();
}

long long Sum(const std::vector<int>& values)
{
    long long sum = 0;
    for (int v : values)
        sum += v;
    return sum;
}

// Column widths for the space there is: minimums first, then percentages, then the rest in
// proportion to the maximum widths (auto columns before fixed ones).
std::vector<int> Distribute(const Columns& columns, int space)
{
    std::size_t n = columns.Min.size();
    std::vector<int> widths = columns.Min;
    long long sumMin = Sum(columns.Min);
    long long room = space - sumMin;
    if (room <= 0 || n == 0)
        return widths;
    for (std::size_t c = 0; c < n && room > 0; ++c) {
        if (columns.Percent[c] <= 0)
            continue;
        int target = static_cast<int>(static_cast<double>(space) * columns.Percent[c] / 100.0);
        int grow = static_cast<int>(std::min<long long>(room, std::max(0, target - widths[c])));
        widths[c] += grow;
        room -= grow;
    }
    long long wantAuto = 0, wantFixed = 0;
    for (std::size_t c = 0; c < n; ++c) {
        if (columns.Percent[c] > 0)
            continue;
        long long want = std::max(0, columns.Max[c] - widths[c]);
        (columns.Fixed[c] ? wantFixed : wantAuto) += want;
    }
    for (bool fixed : {false, true}) {
        long long want = fixed ? wantFixed : wantAuto;
        if (room <= 0 || want <= 0)
            continue;
        long long give = std::min(room, want);
        long long given = 0;
        std::size_t lastGrown = n;
        for (std::size_t c = 0; c < n; ++c) {
            if (columns.Percent[c] > 0 || columns.Fixed[c] != fixed)
                continue;
            long long own = std::max(0, columns.Max[c] - widths[c]);
            long long share = own * give / want;
            widths[c] += static_cast<int>(share);
            given += share;
            if (own > 0)
                lastGrown = c;
        }
        if (lastGrown < n)
            widths[lastGrown] += static_cast<int>(give - given);
        room -= give;
    }
    if (room > 0) {
        // Wider than every column wants: auto columns take the rest, or all of them.
        std::vector<std::size_t> takers;
        for (std::size_t c = 0; c < n; ++c) {
            if (columns.Percent[c] <= 0 && !columns.Fixed[c])
                takers.push_back(c);
        }
        if (takers.empty())
            for (std::size_t c = 0; c < n; ++c)
                takers.push_back(c);
        long long total = 0;
        for (std::size_t c : takers)
            total += std::max(1, widths[c]);
        long long given = 0;
        for (std::size_t c : takers) {
            long long share = room * std::max(1, widths[c]) / total;
            widths[c] += static_cast<int>(share);
            given += share;
        }
        widths[takers.back()] += static_cast<int>(room - given);
    }
    return widths;
}

// The fixed layout's widths: fixed columns as given, percentages of the space, auto columns
// sharing what is left equally; with no auto column the rest goes to all in proportion to
// their widths. Columns wider than the space make the table wider.
std::vector<int> DistributeFixed(const Columns& columns, int space)
{
    std::size_t n = columns.Min.size();
    std::vector<int> widths(n, 0);
    long long used = 0;
    std::vector<std::size_t> autos;
    for (std::size_t c = 0; c < n; ++c) {
        if (columns.Fixed[c])
            widths[c] = columns.Min[c];
        else if (columns.Percent[c] > 0)
            widths[c] = static_cast<int>(static_cast<double>(space) * columns.Percent[c] / 100.0);
        else
            autos.push_back(c);
        used += widths[c];
    }
    long long room = space - used;
    if (room <= 0 || n == 0)
        return widths;
    if (!autos.empty()) {
        for (std::size_t i = 0; i < autos.size(); ++i)
            widths[autos[i]] += static_cast<int>(room / static_cast<long long>(autos.size()) +
                                                 (i + 1 == autos.size() ? room % static_cast<long long>(autos.size()) : 0));
        return widths;
    }
    long long given = 0;
    for (std::size_t c = 0; c < n; ++c) {
        long long share = used > 0 ? room * widths[c] / used : room / static_cast<long long>(n);
        widths[c] += static_cast<int>(share);
        given += share;
    }
    widths[n - 1] += static_cast<int>(room - given);
    return widths;
}

// Moves a cell's content down inside the cell as its vertical alignment asks.
void AlignCell(Box& cell, int height, int before, unsigned generation)
{
    UsedValues& u = cell.Used();
    int shift = u.ShiftY;
    int content = u.ContentHeight;
    int inner = height - u.Border.Vertical() - u.Padding.Vertical();
    switch (cell.S().Box.VAlign) {
    case VerticalAlign::Middle: u.ShiftY = std::max(0, (inner - content) / 2); break;
    case VerticalAlign::Bottom: case VerticalAlign::TextBottom: u.ShiftY = std::max(0, inner - content); break;
    default: u.ShiftY = 0; break;
    }
    if (shift != u.ShiftY || before != height)
        cell.Cache().Generation = generation;
    u.Height = height;
}

// Whether every changed cell is one of the grid's own (a cell box outside a row is not).
bool DirtyCellsInGrid(const TableCache& cache)
{
    for (Box* cell : cache.Dirty) {
        int index = cell->Cell().Index;
        if (index < 0 || static_cast<std::size_t>(index) >= cache.Cells.Cells.size() ||
            cache.Cells.Cells[static_cast<std::size_t>(index)] != cell)
            return false;
    }
    return true;
}

// Only some cells changed, none spanning: their columns are measured again from their cells.
void RemeasureColumns(TableCache& cache, LayoutContext& context)
{
    Columns& columns = cache.Widths;
    std::vector<bool> touched(columns.Min.size(), false);
    for (Box* cell : cache.Dirty)
        touched[static_cast<std::size_t>(cell->Cell().Column)] = true;
    for (std::size_t c = 0; c < touched.size(); ++c) {
        if (!touched[c])
            continue;
        columns.Min[c] = columns.Max[c] = 0;
        columns.Percent[c] = 0;
        columns.Fixed[c] = false;
        for (int index : cache.Cells.ColumnCells[c]) {
            Box& cell = *cache.Cells.Cells[static_cast<std::size_t>(index)];
            int minWidth = 0, maxWidth = 0;
            BlockLayout::Intrinsic(cell, context, minWidth, maxWidth);
            columns.Min[c] = std::max(columns.Min[c], minWidth);
            columns.Max[c] = std::max(columns.Max[c], maxWidth);
            const Length& width = cell.S().Box.Width;
            if (width.IsPercent())
                columns.Percent[c] = std::max(columns.Percent[c], std::clamp(width.Value, 0.0f, 100.0f));
            else if (width.Type == Length::Kind::Px)
                columns.Fixed[c] = true;
        }
    }
}

// The grid and the columns' widths, measured again only when something in the rows changed.
const TableCache& CacheOf(Box& table, LayoutContext& context)
{
    if (!table.Rare().Table) {
        auto cache = std::make_shared<TableCache>();
        cache->Cells = BuildGrid(table);
        table.Rare().Table = std::move(cache);
        table.ColumnsValid = false;
    }
    TableCache& cache = *table.Rare().Table;
    if (!table.ColumnsValid) {
        if (!cache.Dirty.empty() && !DirtyCellsInGrid(cache))
            cache.Full = true;
        if (FixedColumns(table))
            cache.Widths = MeasureFirstRow(cache.Cells);
        else if (cache.Full || !cache.LaidOut || cache.Cells.Spans || cache.Dirty.empty())
            cache.Widths = MeasureColumns(table, cache.Cells, context);
        else
            RemeasureColumns(cache, context);
        table.ColumnsValid = true;
    }
    return cache;
}

// Only some cells changed and the columns kept their widths: those cells lay out again, and
// nothing else moves unless a row's height changed. False when the whole table must go again.
bool LayOutChangedCells(Box& table, TableCache& cache, const std::vector<int>& columnX, LayoutContext& context)
{
    int sx = Spacing(table, false);
    if (!DirtyCellsInGrid(cache))
        return false;
    std::vector<Box*> dirty = cache.Dirty;
    std::sort(dirty.begin(), dirty.end());
    dirty.erase(std::unique(dirty.begin(), dirty.end()), dirty.end());
    for (Box* cell : dirty) {
        std::size_t column = static_cast<std::size_t>(cell->Cell().Column);
        int stretched = cell->Used().Height;
        BlockLayout::Layout(*cell, std::max(0, columnX[column + 1] - sx - columnX[column]), -1, context);
        table.OutOfFlowInside = table.OutOfFlowInside || cell->OutOfFlowInside;
        int own = cell->Cache().LaidOutHeight;
        const Length& height = cell->S().Box.Height;
        if (height.Type == Length::Kind::Px)
            own = std::max(own, height.Resolve(0) + cell->Used().Border.Vertical() + cell->Used().Padding.Vertical());
        std::size_t row = static_cast<std::size_t>(cell->Cell().Row);
        cache.CellHeights[static_cast<std::size_t>(cell->Cell().Index)] = own;
        // The row's height is its tallest cell's (or its own): if that changed, rows move.
        int rowHeight = 0;
        const Length& rowStyle = cache.Cells.Rows[row]->S().Box.Height;
        if (rowStyle.Type == Length::Kind::Px)
            rowHeight = std::max(0, rowStyle.Resolve(0));
        for (auto& sibling : cache.Cells.Rows[row]->Children()) {
            if (sibling->Kind == BoxKind::Cell && sibling->Cell().Index >= 0)
                rowHeight = std::max(rowHeight, cache.CellHeights[static_cast<std::size_t>(sibling->Cell().Index)]);
        }
        if (rowHeight != cache.RowHeights[row])
            return false;
        AlignCell(*cell, rowHeight, stretched, context.Generation);
        cache.Cells.Rows[row]->Cache().Generation = context.Generation;
    }
    cache.Dirty.clear();
    return true;
}

} // namespace

void TableLayout::Intrinsic(Box& table, LayoutContext& context, int& minWidth, int& maxWidth)
{
    BlockLayout::ResolveEdges(table, 0);
    const TableCache& cache = CacheOf(table, context);
    const Grid& grid = cache.Cells;
    const Columns& columns = cache.Widths;
    int spacing = Spacing(table, false);
    long long edges = TableEdges(table) + static_cast<long long>(grid.Columns + 1) * spacing;
    long long low = Sum(columns.Min) + edges;
    long long high = std::max<long long>(Sum(columns.Max) + edges, low);
    const Length& width = table.S().Box.Width;
    if (width.Type == Length::Kind::Px) {
        low = std::max<long long>(low, width.Resolve(0));
        high = std::max<long long>(low, width.Resolve(0));
    }
    for (Box* caption : grid.Captions) {
        int captionMin = 0, captionMax = 0;
        BlockLayout::Intrinsic(*caption, context, captionMin, captionMax);
        low = std::max<long long>(low, captionMin);
    }
    long long margins = table.Used().Margin.Horizontal();
    minWidth = static_cast<int>(std::min<long long>(low + margins, kMaxSize));
    maxWidth = static_cast<int>(std::min<long long>(high + margins, kMaxSize));
}

void TableLayout::Layout(Box& table, int available, LayoutContext& context)
{
    // Held: laying out cells may drop the table's cache, which this layout still reads.
    static_cast<void>(CacheOf(table, context));
    std::shared_ptr<TableCache> held = table.Rare().Table;
    TableCache& cache = *held;
    const Grid& grid = cache.Cells;
    const Columns& columns = cache.Widths;
    int sx = Spacing(table, false);
    int sy = Spacing(table, true);
    int n = grid.Columns;
    long long fixedEdges = TableEdges(table) + static_cast<long long>(n + 1) * sx;
    long long minTable = Sum(columns.Min) + fixedEdges;
    long long maxTable = Sum(columns.Max) + fixedEdges;
    const Length& styleWidth = table.S().Box.Width;
    int margins = table.Used().Margin.Horizontal();
    long long used;
    // A table's width is its border box's, as browsers have it.
    if (!styleWidth.IsAuto())
        used = std::max<long long>(styleWidth.Resolve(available), minTable);
    else
        used = std::max<long long>(std::min<long long>(available - margins, maxTable), minTable);
    used = std::min<long long>(used, kMaxSize);
    int space = static_cast<int>(std::max<long long>(0, used - fixedEdges));
    std::vector<int> widths;
    if (FixedColumns(table)) {
        widths = DistributeFixed(columns, space);
        used = std::min<long long>(std::max(used, Sum(widths) + fixedEdges), kMaxSize);
    } else {
        widths = Distribute(columns, space);
    }

    std::vector<int> columnX(static_cast<std::size_t>(n) + 1, 0);
    int x = table.Used().Border.Left + table.Used().Padding.Left + sx;
    for (int c = 0; c < n; ++c) {
        columnX[static_cast<std::size_t>(c)] = x;
        x += widths[static_cast<std::size_t>(c)] + sx;
    }
    columnX[static_cast<std::size_t>(n)] = x;
    table.Used().Width = static_cast<int>(used);
    if (cache.LaidOut && !cache.Full && grid.Captions.empty() && !grid.Spans && !table.S().Inherited.CollapseBorders &&
        available == cache.Available &&
        used == cache.Used && columnX == cache.ColumnX && LayOutChangedCells(table, cache, columnX, context))
        return;

    // Captions stand above the table's border, as wide as its border box (17.4): the element's
    // box is the wrapper around both, and the table's own border and background start below them.
    // Whether a positioned box may be inside, so that its containing block looks no further
    // than the table otherwise.
    table.OutOfFlowInside = false;
    int captions = 0;
    for (Box* caption : grid.Captions) {
        BlockLayout::Layout(*caption, table.Used().Width, -1, context);
        table.OutOfFlowInside = table.OutOfFlowInside || caption->OutOfFlowInside;
        caption->Used().X = caption->Used().Margin.Left;
        caption->Used().Y = captions + caption->Used().Margin.Top;
        captions = std::max(0, caption->Used().Y + caption->Used().Height + caption->Used().Margin.Bottom);
    }
    cache.CaptionHeight = captions;
    int y = captions + table.Used().Border.Top + table.Used().Padding.Top;

    // Cells at their columns' width; rows as tall as their tallest cell that does not span.
    std::size_t rows = grid.Rows.size();
    std::vector<int> rowHeights(rows, 0);
    for (std::size_t r = 0; r < rows; ++r) {
        const Length& height = grid.Rows[r]->S().Box.Height;
        if (height.Type == Length::Kind::Px)
            rowHeights[r] = std::max(0, height.Resolve(0));
    }
    std::vector<int> stretched;  // each cell's height as its row made it last time
    stretched.reserve(grid.Cells.size());
    cache.CellHeights.assign(grid.Cells.size(), 0);
    for (Box* cell : grid.Cells) {
        const CellPlace& place = cell->Cell();
        UsedValues& u = cell->Used();
        std::size_t first = static_cast<std::size_t>(place.Column);
        std::size_t last = std::min<std::size_t>(first + static_cast<std::size_t>(place.ColSpan), static_cast<std::size_t>(n));
        int cellWidth = columnX[last] - sx - columnX[first];
        stretched.push_back(u.Height);
        BlockLayout::Layout(*cell, std::max(0, cellWidth), -1, context);
        table.OutOfFlowInside = table.OutOfFlowInside || cell->OutOfFlowInside;
        u.Height = cell->Cache().LaidOutHeight;  // a cell kept from the last pass is not as tall as its row made it
        const Length& height = cell->S().Box.Height;
        if (height.Type == Length::Kind::Px)
            u.Height = std::max(u.Height, height.Resolve(0) + u.Border.Vertical() + u.Padding.Vertical());
        cache.CellHeights[static_cast<std::size_t>(place.Index)] = u.Height;
        if (place.RowSpan == 1)
            rowHeights[static_cast<std::size_t>(place.Row)] = std::max(rowHeights[static_cast<std::size_t>(place.Row)], u.Height);
    }
    for (Box* cell : grid.Cells) {
        const CellPlace& place = cell->Cell();
        if (place.RowSpan == 1)
            continue;
        std::size_t first = static_cast<std::size_t>(place.Row);
        std::size_t last = first + static_cast<std::size_t>(place.RowSpan) - 1;
        int have = (place.RowSpan - 1) * sy;
        for (std::size_t r = first; r <= last; ++r)
            have += rowHeights[r];
        if (cell->Used().Height > have)
            rowHeights[last] += cell->Used().Height - have;
    }

    // Rows and their groups, in page order of the children.
    std::vector<int> rowY(rows + 1, 0);
    y += sy;
    int rowLeft = table.Used().Border.Left + table.Used().Padding.Left + sx;
    int rowWidth = std::max(0, table.Used().Width - TableEdges(table) - 2 * sx);
    std::size_t r = 0;
    for (auto& child : table.Children()) {
        auto placeRow = [&](Box& row, int originY) {
            rowY[r] = y;
            UsedValues& u = row.Used();
            u.X = rowLeft - (row.Parent == &table ? 0 : row.Parent->Used().X);
            u.Y = y - originY;
            if (row.NeedsLayout || u.Width != rowWidth || u.Height != rowHeights[r])  // children may be new
                row.Cache().Generation = context.Generation;
            u.Width = rowWidth;
            u.Height = rowHeights[r];
            row.NeedsLayout = false;
            y += rowHeights[r] + sy;
            ++r;
        };
        if (child->Kind == BoxKind::Row) {
            placeRow(*child, 0);
        } else if (child->Kind == BoxKind::RowGroup) {
            Box& group = *child;
            UsedValues& u = group.Used();
            u.X = rowLeft;
            u.Y = y;
            u.Width = rowWidth;
            for (auto& row : group.Children()) {
                if (row->Kind == BoxKind::Row)
                    placeRow(*row, u.Y);
            }
            u.Height = std::max(0, y - sy - u.Y);
            group.Cache().Generation = context.Generation;
            group.NeedsLayout = false;
        }
    }
    rowY[rows] = y;
    for (std::size_t i = 0; i < grid.Cells.size(); ++i) {
        Box* cell = grid.Cells[i];
        const CellPlace& place = cell->Cell();
        UsedValues& u = cell->Used();
        std::size_t first = static_cast<std::size_t>(place.Row);
        std::size_t last = first + static_cast<std::size_t>(place.RowSpan);
        int height = rowY[last] - sy - rowY[first];
        AlignCell(*cell, height, stretched[i], context.Generation);
        Box& row = *cell->Parent;
        int rowPageX = row.Used().X + (row.Parent != &table ? row.Parent->Used().X : 0);
        int x = columnX[static_cast<std::size_t>(place.Column)] - rowPageX;
        // A row whose cells moved or changed is placed again below it.
        if (u.X != x || u.Y != 0 || cell->Cache().Generation == context.Generation)
            row.Cache().Generation = context.Generation;
        u.X = x;
        u.Y = 0;
    }
    UsedValues& u = table.Used();
    int height = std::max(0, y - captions - u.Border.Top - u.Padding.Top);
    const Length& styleHeight = table.S().Box.Height;
    if (styleHeight.Type == Length::Kind::Px)
        height = std::max(height, styleHeight.Resolve(0));
    u.Height = captions + height + u.Border.Vertical() + u.Padding.Vertical();
    u.ContentWidth = u.Width;
    u.ContentHeight = u.Height;
    cache.LaidOut = true;
    cache.Full = false;
    cache.Dirty.clear();
    cache.Available = available;
    cache.Used = used;
    cache.ColumnX = std::move(columnX);
    cache.RowHeights = std::move(rowHeights);
}

} // namespace Engine
