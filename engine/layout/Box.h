#pragma once
#include "engine/css/ComputedStyle.h"
#include "engine/dom/NodePool.h"
#include "engine/dom/Text.h"
#include "engine/layout/TableCache.h"
#include "engine/gfx/Geometry.h"
#include "engine/gfx/Image.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace Engine {

class Element;
class Text;

enum class BoxKind : unsigned char {
    Block,       // a block container (also list items, inline blocks, cells and captions inside)
    Inline,      // an inline element: its content flows in its container's lines
    Text,        // the text of one text node, white space already collapsed
    Replaced,    // an image or an input without children: a box of its own size
    Table,
    RowGroup,
    Row,
    Cell,
    LineBreak,   // <br>
};

// One piece of a line: a run of text or an atomic box, placed in the container's content box.
struct LineItem {
    Rect Area;               // relative to the container's border box
    int Baseline = 0;        // from Area.Y
    struct Box* Source = nullptr;  // the text box, or the atomic box itself
    std::size_t Start = 0;   // text range in the source's text
    std::size_t Length = 0;
    bool Ellipsis = false;   // the ellipsis of a cut line: Source is the container, no text range
};

struct LineBox {
    Rect Area;  // relative to the container's border box
    std::vector<LineItem> Items;
};

// Per text box: words measured once per font, so that relaying out is arithmetic.
struct TextRun {
    std::size_t Start = 0;
    std::size_t Length = 0;
    int Width = 0;
    bool Space = false;     // a collapsible space between words
    bool Newline = false;   // a preserved line break
};

// What few boxes need: pictures and the sizes of replaced boxes, the editing state of a text
// input or area, a table's cache. Kept apart, so that the thousands of cells, rows and texts
// of a long table stay small.
struct BoxRare {
    ImagePtr Picture;
    int IntrinsicWidth = -1, IntrinsicHeight = -1;
    // A text input being edited: caret and selection (text indexes, -1: none) and how far its
    // text is scrolled to keep the caret in view.
    int Caret = -1, SelectFrom = 0, SelectTo = 0, EditScroll = 0;
    bool CaretHidden = false;  // the off half of the caret's blink
    bool Ellipsed = false;     // an atomic box that an ellipsis at its line's end hides
    Point Sticky;              // how far a sticky box stands from its place in the flow
    Point Static;              // an absolutely positioned box's static position in its parent
    // A table's grid, kept while its rows and cells stay the same ones, and its columns'
    // widths, kept while nothing inside its rows changes.
    std::shared_ptr<TableCache> Table;
};

// Vertical margins that meet and collapse into one (CSS 2.1, 8.3.1): the largest positive one
// plus the most negative one.
struct MarginRun {
    int Positive = 0;
    int Negative = 0;
    void Add(int margin)
    {
        if (margin > 0)
            Positive = std::max(Positive, margin);
        else
            Negative = std::min(Negative, margin);
    }
    void Add(const MarginRun& other)
    {
        Positive = std::max(Positive, other.Positive);
        Negative = std::min(Negative, other.Negative);
    }
    [[nodiscard]] int Value() const { return Positive + Negative; }
};

// Where layout put a box and how big it made it: its used values, in device pixels. Positions
// are relative to the parent box's border box; the page position is worked out after every layout.
struct UsedValues {
    int X = 0, Y = 0, Width = 0, Height = 0;  // border box
    Edges Margin;
    Edges Padding;
    Edges Border;
    int PageX = 0, PageY = 0;  // border box in page coordinates (scrolling included)
    bool Placed = false;       // PageX and PageY hold a position already
    int ShiftY = 0;            // content moved down inside the box (vertical alignment in cells)
    int ContentWidth = 0, ContentHeight = 0;  // what the content takes, beyond the box when it scrolls
    int BarV = 0, BarH = 0;    // scroll bars
    // The margins that pass through the box's top and bottom edges, its own and its children's,
    // and whether the box is empty so that they pass through it.
    MarginRun TopRun, BottomRun;
    bool Through = false;

    [[nodiscard]] int ContentX() const { return Border.Left + Padding.Left; }
    [[nodiscard]] int ContentY() const { return Border.Top + Padding.Top; }
    // The content box, less the scroll bars.
    [[nodiscard]] int ContentWidthInner() const { return Width - Border.Horizontal() - Padding.Horizontal() - BarV; }
    [[nodiscard]] int ContentHeightInner() const { return Height - Border.Vertical() - Padding.Vertical() - BarH; }
    [[nodiscard]] Rect PageRect() const { return {PageX, PageY, Width, Height}; }
};

// A box of the layout tree, kept apart from the element tree: its place in the tree, the used
// values layout gave it, and what it keeps between layouts.
struct Box {
    Box() = default;
    Box(const Box&) = delete;
    Box& operator=(const Box&) = delete;
    ~Box()
    {
        if (TextNode != nullptr)
            TextNode->Unuse();
    }

    BoxKind Kind = BoxKind::Block;
    bool InlineContent = false;  // a block container of lines
    bool ColumnsValid = false;   // a table's columns' widths are current
    bool NeedsLayout = true;
    bool OutOfFlowInside = false;  // absolutely positioned boxes below, with no positioned box between
    // Laid out among the floats of the surrounding formatting context, or holding some of them:
    // it lays out again with that context.
    bool FloatsInside = false;
    Element* Owner = nullptr;     // null for anonymous boxes
    Text* TextNode = nullptr;     // for text boxes, which hold it: see SetText
    StylePtr Style;
    Box* Parent = nullptr;
    std::vector<std::unique_ptr<Box>> Children;

    UsedValues Used;

    // Inline content of a block container.
    std::vector<LineBox> Lines;

    // Inline element: its pieces, one per line, relative to the containing block.
    std::vector<Rect> Fragments;

    // Text: the node's own text, measured into runs once per font.
    std::vector<TextRun> Runs;
    int RunsFont = -1;

    // Scrolling: the offset into the content.
    int ScrollX = 0, ScrollY = 0;

    // Tables: column and span of a cell, row of a cell (spans are capped at 1000).
    int Column = 0, Row = 0;
    short ColSpan = 1, RowSpan = 1;
    short RowSpanAsked = 1;  // the cell's rowspan attribute, before the table's end cuts it
    int CellIndex = -1;    // in its table's grid

    // Caches for relayout.
    int LastAvailable = -1;
    int LastAvailableHeight = -1;
    int LaidOutHeight = 0;  // the height layout gave, before a table's row stretched it
    int MinContent = -1, MaxContent = -1;
    unsigned Generation = 0;  // the last layout pass that moved something inside this box

    std::unique_ptr<BoxRare> RareData;

    // The rare part, made when first written; reading a box without one reads the defaults.
    BoxRare& Rare()
    {
        if (!RareData)
            RareData = std::make_unique<BoxRare>();
        return *RareData;
    }
    [[nodiscard]] const BoxRare& Rare() const
    {
        static const BoxRare kNone;
        return RareData ? *RareData : kNone;
    }
    [[nodiscard]] TableCache* TableData() const { return RareData ? RareData->Table.get() : nullptr; }

    // A text box reads its node's text rather than a copy, and holds the node meanwhile: a node
    // that leaves its element before the boxes are made again lives on until its box goes.
    void SetText(Text* node)
    {
        node->Use();
        TextNode = node;
    }
    [[nodiscard]] const std::wstring& TextData() const
    {
        static const std::wstring kNoText;
        return TextNode != nullptr ? TextNode->Data() : kNoText;
    }

    // Boxes come and go by the thousand with their pages: the nodes' pool serves them.
    static void* operator new(std::size_t size) { return NodePool::Allocate(size); }
    static void operator delete(void* block, std::size_t size) { NodePool::Free(block, size); }

    [[nodiscard]] const ComputedStyle& S() const { return *Style; }
    // A block with hidden overflow scrolls too, by the program only: no bars and no wheel.
    [[nodiscard]] bool IsScroller() const
    {
        return Style && Kind != BoxKind::Inline && (Style->Scrolls() || (Kind == BoxKind::Block && Style->Clips()));
    }
    // position: sticky, on a box of its own (inline elements stay in their lines).
    [[nodiscard]] bool IsSticky() const
    {
        return Owner != nullptr && Style && Kind != BoxKind::Text && Kind != BoxKind::Inline &&
               Style->Box.Place == Position::Sticky;
    }
    [[nodiscard]] Point StickyShift() const { return RareData ? RareData->Sticky : Point{}; }
    // Where the content starts in page coordinates: scrolled content moves, and a cell's
    // content moves down as the cell aligns it.
    [[nodiscard]] Point ContentOrigin() const
    {
        Point origin{Used.PageX, Used.PageY + Used.ShiftY};
        if (IsScroller()) {
            origin.X -= ScrollX;
            origin.Y -= ScrollY;
        }
        return origin;
    }
    // This box and its ancestors lay out again; tables above measure their columns again and
    // hear which of their cells changed (the walk goes on to the table for that).
    void MarkNeedsLayout()
    {
        Box* cell = nullptr;
        for (Box* at = this; at != nullptr; at = at->Parent) {
            bool marked = at->NeedsLayout && at != this && at->Kind != BoxKind::Inline;
            if (at->Kind == BoxKind::Cell)
                cell = at;
            if (at->Kind == BoxKind::Table) {
                // Only a cell of the table's own grid is named; any other change redoes it all.
                if (TableCache* table = at->TableData())
                    table->Note(at != this && cell != nullptr && cell->InGridOf(*at) ? cell : nullptr);
                cell = nullptr;
            }
            if (marked && cell == nullptr)
                break;
            at->NeedsLayout = true;
            at->MinContent = -1;
            at->MaxContent = -1;
            at->ColumnsValid = false;
        }
    }
    [[nodiscard]] bool InGridOf(const Box& table) const
    {
        const Box* row = Parent;
        if (row == nullptr || row->Kind != BoxKind::Row)
            return false;
        return row->Parent == &table || (row->Parent != nullptr && row->Parent->Kind == BoxKind::RowGroup && row->Parent->Parent == &table);
    }
    // Rows or cells came or went in this table, row group or row: the table makes its grid anew.
    // (What changes inside a cell leaves the grid as it is.)
    void InvalidateTableGrid()
    {
        for (Box* at = this; at != nullptr; at = at->Parent) {
            if (at->Kind == BoxKind::Table) {
                if (at->RareData)
                    at->RareData->Table.reset();
                return;
            }
            if (at->Kind != BoxKind::Row && at->Kind != BoxKind::RowGroup)
                return;
        }
    }
};

} // namespace Engine
