#pragma once
#include <vector>

namespace Engine {

struct Box;

// What a table keeps between layouts: its grid while its rows and cells stay the same, its
// columns' widths while nothing inside changes, and its last layout, so that a change inside a
// few cells lays out only those cells.
struct TableCache {
    struct Grid {
        std::vector<Box*> Rows;  // in order, whether in groups or not
        std::vector<Box*> Cells;
        std::vector<Box*> Captions;
        std::vector<std::vector<int>> ColumnCells;  // cells (indexes) that span one column, by column
        int Columns = 0;
        bool Spans = false;  // a cell spans rows or columns
    } Cells;
    struct Columns {
        std::vector<int> Min, Max;
        std::vector<float> Percent;
        std::vector<bool> Fixed;
    } Widths;

    std::vector<Box*> Dirty;  // cells whose content changed since the last layout
    bool Full = true;         // something else changed: everything again

    bool LaidOut = false;
    int Available = -1;
    long long Used = 0;
    std::vector<int> ColumnX;
    std::vector<int> RowHeights;
    std::vector<int> CellHeights;  // each cell's own height, before its row stretched it
    int CaptionHeight = 0;         // the captions above the table's border box

    void Note(Box* cell)
    {
        if (cell != nullptr)
            Dirty.push_back(cell);
        else
            Full = true;
    }
};

} // namespace Engine
