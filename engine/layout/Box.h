#pragma once
#include "engine/css/ComputedStyle.h"
#include "engine/dom/NodePool.h"
#include "engine/dom/Text.h"
#include "engine/layout/TableCache.h"
#include "engine/gfx/Geometry.h"
#include "engine/gfx/Image.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <variant>
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
// Text ranges take 32 bits here and in the runs: a long table holds thousands of each, and no
// text node comes near four billion characters.
struct LineItem {
    Rect Area;                 // relative to the container's border box
    int Baseline = 0;          // from Area.Y
    std::uint32_t Start = 0;   // text range in the source's text
    std::uint32_t Length = 0;
    bool Ellipsis = false;     // the ellipsis of a cut line: Source is the container, no text range
    struct Box* Source = nullptr;  // the text box, or the atomic box itself
};

struct LineBox {
    Rect Area;  // relative to the container's border box
    std::vector<LineItem> Items;
};

// Per text box: words measured once per font, so that relaying out is arithmetic.
struct TextRun {
    std::uint32_t Start = 0;
    std::uint32_t Length = 0;
    int Width = 0;
    bool Space = false;     // a collapsible space between words
    bool Newline = false;   // a preserved line break
};

// What few boxes need: pictures and the sizes of replaced boxes, the editing state of a text
// input or area, a scroller's offset and bars, a table's cache. Kept apart, so that the thousands
// of cells, rows and texts of a long table stay small.
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
    Point Scroll;              // a scroller's offset into its content
    int BarV = 0, BarH = 0;    // a scroller's bars
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
    int ShiftY = 0;            // content moved down inside the box (vertical alignment in cells)
    int ContentWidth = 0, ContentHeight = 0;  // what the content takes, beyond the box when it scrolls
    // The margins that pass through the box's top and bottom edges, its own and its children's.
    MarginRun TopRun, BottomRun;

    [[nodiscard]] int ContentX() const { return Border.Left + Padding.Left; }
    [[nodiscard]] int ContentY() const { return Border.Top + Padding.Top; }
    [[nodiscard]] Rect PageRect() const { return {PageX, PageY, Width, Height}; }
};

// A cell's place in its table's grid (spans are capped at 1000).
struct CellPlace {
    int Column = 0, Row = 0;
    int Index = -1;  // in its table's grid
    short ColSpan = 1, RowSpan = 1;
    short RowSpanAsked = 1;  // the cell's rowspan attribute, before the table's end cuts it
};

// What a layout keeps for the next one.
struct LayoutCache {
    int LastAvailable = -1;
    int LastAvailableHeight = -1;
    int LaidOutHeight = 0;  // the height layout gave, before a table's row stretched it
    int MinContent = -1, MaxContent = -1;
    unsigned Generation = 0;  // the last layout pass that moved something inside this box
};

struct TextBox;
struct ElementBox;

// A box of the layout tree, kept apart from the element tree: its place in the tree and what
// every kind of box has. The rest comes in two shapes of their own size, since a long table
// holds thousands of each: a text box (TextBox) has its text's runs and nothing of the box
// model; every other box (ElementBox, an element's or an anonymous block) has its children, its
// rare part, its used values, its lines or inline pieces, its place in a table and its caches
// for relayout.
struct Box {
    Box(const Box&) = delete;
    Box& operator=(const Box&) = delete;
    // Public: a delete checks that it may reach the destructor, though the destroying delete
    // below calls the shape's own.
    ~Box() = default;

    BoxKind Kind;
    bool InlineContent : 1 = false;  // a block container of lines
    bool ColumnsValid : 1 = false;   // a table's columns' widths are current
    bool NeedsLayout : 1 = true;
    bool OutOfFlowInside : 1 = false;  // absolutely positioned boxes below, with no positioned box between
    // Laid out among the floats of the surrounding formatting context, or holding some of them:
    // it lays out again with that context.
    bool FloatsInside : 1 = false;
    bool Placed : 1 = false;   // its page position holds a position already
    // Empty, so that the margins of its top and bottom edges pass through it.
    bool Through : 1 = false;
    int RunsFont = -1;  // text: the font its runs were measured in; an input: its text's font
    Element* Owner = nullptr;  // null for anonymous boxes
    StylePtr Style;
    Box* Parent = nullptr;

    // Its children: a text box has none.
    [[nodiscard]] std::vector<std::unique_ptr<Box>>& Children();
    [[nodiscard]] const std::vector<std::unique_ptr<Box>>& Children() const;

    // The part of its shape. Asking a box for the other shape's part is a mistake of the engine:
    // it stops there rather than read or write past the box.
    [[nodiscard]] TextBox& AsText();
    [[nodiscard]] const TextBox& AsText() const;
    [[nodiscard]] ElementBox& AsElement();
    [[nodiscard]] const ElementBox& AsElement() const;
    // Of an element's box.
    [[nodiscard]] UsedValues& Used();
    [[nodiscard]] const UsedValues& Used() const;
    [[nodiscard]] CellPlace& Cell();
    [[nodiscard]] const CellPlace& Cell() const;
    [[nodiscard]] LayoutCache& Cache();
    [[nodiscard]] const LayoutCache& Cache() const;
    // Inline content of a block container, and an inline element's pieces, one per line, relative
    // to the containing block. The two share their storage: the non-const accessor of one drops
    // the other.
    [[nodiscard]] std::vector<LineBox>& Lines();
    [[nodiscard]] const std::vector<LineBox>& Lines() const;
    [[nodiscard]] std::vector<Rect>& Fragments();
    [[nodiscard]] const std::vector<Rect>& Fragments() const;
    // Drops the lines, if the box has any, for a layout to make anew; an inline element keeps its pieces.
    void ClearLines();

    // The rare part, made when first written; reading a box without one (a text box never has
    // one) reads the defaults. RarePart is null without one.
    [[nodiscard]] BoxRare& Rare();
    [[nodiscard]] const BoxRare& Rare() const;
    [[nodiscard]] BoxRare* RarePart();
    [[nodiscard]] const BoxRare* RarePart() const;
    [[nodiscard]] TableCache* TableData() const
    {
        const BoxRare* rare = RarePart();
        return rare != nullptr ? rare->Table.get() : nullptr;
    }

    // A text box's text (empty for any other box).
    [[nodiscard]] const std::wstring& TextData() const;

    // Boxes come and go by the thousand with their pages: the nodes' pool serves them. Boxes have
    // no virtual functions: a delete finds the shape, and with it the size, from the kind.
    static void* operator new(std::size_t size) { return NodePool::Allocate(size); }
    static void operator delete(Box* box, std::destroying_delete_t);
    static void operator delete(void* block, std::size_t size) { NodePool::Free(block, size); }  // a constructor threw

    [[nodiscard]] const ComputedStyle& S() const { return *Style; }
    // A block with hidden overflow scrolls too, by the program only: no bars and no wheel.
    [[nodiscard]] bool IsScroller() const
    {
        return Style && Kind != BoxKind::Inline && Kind != BoxKind::Text &&
               (Style->Scrolls() || (Kind == BoxKind::Block && Style->Clips()));
    }
    // position: sticky, on a box of its own (inline elements stay in their lines).
    [[nodiscard]] bool IsSticky() const
    {
        return Owner != nullptr && Style && Kind != BoxKind::Text && Kind != BoxKind::Inline &&
               Style->Box.Place == Position::Sticky;
    }
    [[nodiscard]] Point StickyShift() const { return Rare().Sticky; }
    // A scroller's offset into its content, and its bars.
    [[nodiscard]] Point ScrollOffset() const { return Rare().Scroll; }
    [[nodiscard]] int BarV() const { return Rare().BarV; }
    [[nodiscard]] int BarH() const { return Rare().BarH; }
    void SetBars(int vertical, int horizontal)
    {
        if (RarePart() != nullptr || vertical != 0 || horizontal != 0) {
            Rare().BarV = vertical;
            Rare().BarH = horizontal;
        }
    }
    // The content box, less the scroll bars.
    [[nodiscard]] int ContentWidthInner() const
    {
        const UsedValues& u = Used();
        return u.Width - u.Border.Horizontal() - u.Padding.Horizontal() - BarV();
    }
    [[nodiscard]] int ContentHeightInner() const
    {
        const UsedValues& u = Used();
        return u.Height - u.Border.Vertical() - u.Padding.Vertical() - BarH();
    }
    // Where the content starts in page coordinates: scrolled content moves, and a cell's
    // content moves down as the cell aligns it.
    [[nodiscard]] Point ContentOrigin() const
    {
        const UsedValues& u = Used();
        Point origin{u.PageX, u.PageY + u.ShiftY};
        if (IsScroller()) {
            Point scroll = ScrollOffset();
            origin.X -= scroll.X;
            origin.Y -= scroll.Y;
        }
        return origin;
    }
    // This box and its ancestors lay out again; tables above measure their columns again and
    // hear which of their cells changed (the walk goes on to the table for that).
    void MarkNeedsLayout();
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
                if (BoxRare* rare = at->RarePart())
                    rare->Table.reset();
                return;
            }
            if (at->Kind != BoxKind::Row && at->Kind != BoxKind::RowGroup)
                return;
        }
    }

protected:
    explicit Box(BoxKind kind) : Kind(kind) {}

private:
    template <typename Piece>
    [[nodiscard]] std::vector<Piece>& Flow();
    template <typename Piece>
    [[nodiscard]] const std::vector<Piece>& Flow() const;
};

// The text of one text node: it reads the node's text rather than a copy, and holds the node
// meanwhile, so that a node that leaves its element before the boxes are made again lives on
// until its box goes. Its words are measured once per font, so that relaying out is arithmetic.
struct TextBox final : Box {
    TextBox(Text& node, StylePtr style) : Box(BoxKind::Text), TextNode(node)
    {
        node.Use();
        Style = std::move(style);
    }
    ~TextBox() { TextNode.Unuse(); }

    Text& TextNode;
    std::vector<TextRun> Runs;
};

// The box of an element, or an anonymous block that stands in for one.
struct ElementBox final : Box {
    explicit ElementBox(BoxKind kind) : Box(kind) {}

    std::vector<std::unique_ptr<Box>> Children;
    std::unique_ptr<BoxRare> RareData;
    UsedValues Used;
    CellPlace Cell;
    LayoutCache Cache;
    std::variant<std::vector<LineBox>, std::vector<Rect>> Flow;
};

inline TextBox& Box::AsText()
{
    if (Kind != BoxKind::Text) [[unlikely]]
        std::abort();
    return static_cast<TextBox&>(*this);
}

inline const TextBox& Box::AsText() const
{
    if (Kind != BoxKind::Text) [[unlikely]]
        std::abort();
    return static_cast<const TextBox&>(*this);
}

inline ElementBox& Box::AsElement()
{
    if (Kind == BoxKind::Text) [[unlikely]]
        std::abort();
    return static_cast<ElementBox&>(*this);
}

inline const ElementBox& Box::AsElement() const
{
    if (Kind == BoxKind::Text) [[unlikely]]
        std::abort();
    return static_cast<const ElementBox&>(*this);
}

inline std::vector<std::unique_ptr<Box>>& Box::Children() { return AsElement().Children; }

inline const std::vector<std::unique_ptr<Box>>& Box::Children() const
{
    static const std::vector<std::unique_ptr<Box>> kNone;
    return Kind == BoxKind::Text ? kNone : AsElement().Children;
}

inline BoxRare* Box::RarePart() { return Kind == BoxKind::Text ? nullptr : AsElement().RareData.get(); }
inline const BoxRare* Box::RarePart() const { return Kind == BoxKind::Text ? nullptr : AsElement().RareData.get(); }

inline BoxRare& Box::Rare()
{
    auto& rare = AsElement().RareData;
    if (!rare)
        rare = std::make_unique<BoxRare>();
    return *rare;
}

inline const BoxRare& Box::Rare() const
{
    static const BoxRare kNone;
    const BoxRare* rare = RarePart();
    return rare != nullptr ? *rare : kNone;
}

inline UsedValues& Box::Used() { return AsElement().Used; }
inline const UsedValues& Box::Used() const { return AsElement().Used; }
inline CellPlace& Box::Cell() { return AsElement().Cell; }
inline const CellPlace& Box::Cell() const { return AsElement().Cell; }
inline LayoutCache& Box::Cache() { return AsElement().Cache; }
inline const LayoutCache& Box::Cache() const { return AsElement().Cache; }

template <typename Piece>
std::vector<Piece>& Box::Flow()
{
    auto& flow = AsElement().Flow;
    if (!std::holds_alternative<std::vector<Piece>>(flow))
        flow.template emplace<std::vector<Piece>>();
    return std::get<std::vector<Piece>>(flow);
}

template <typename Piece>
const std::vector<Piece>& Box::Flow() const
{
    static const std::vector<Piece> kNone;
    const auto* pieces = std::get_if<std::vector<Piece>>(&AsElement().Flow);
    return pieces != nullptr ? *pieces : kNone;
}

inline std::vector<LineBox>& Box::Lines() { return Flow<LineBox>(); }
inline const std::vector<LineBox>& Box::Lines() const { return Flow<LineBox>(); }
inline std::vector<Rect>& Box::Fragments() { return Flow<Rect>(); }
inline const std::vector<Rect>& Box::Fragments() const { return Flow<Rect>(); }

inline void Box::ClearLines()
{
    if (auto* lines = std::get_if<0>(&AsElement().Flow))
        lines->clear();
}

inline const std::wstring& Box::TextData() const
{
    static const std::wstring kNoText;
    return Kind == BoxKind::Text ? AsText().TextNode.Data() : kNoText;
}

inline void Box::MarkNeedsLayout()
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
        at->ColumnsValid = false;
        if (at->Kind != BoxKind::Text) {
            at->Cache().MinContent = -1;
            at->Cache().MaxContent = -1;
        }
    }
}

inline void Box::operator delete(Box* box, std::destroying_delete_t)
{
    if (box->Kind == BoxKind::Text)
        NodePool::Destroy(static_cast<TextBox*>(box));
    else
        NodePool::Destroy(static_cast<ElementBox*>(box));
}

} // namespace Engine
