#include "engine/layout/LayoutContext.h"

#include "engine/dom/Element.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace Engine {

namespace {

bool IsPopup(const Box& box)
{
    return box.Owner != nullptr && (box.Owner->State() & kStatePopup) != 0;
}

bool IsAbsolute(const Box& box)
{
    const BoxStyle& s = box.S().Box;
    return (s.Place == Position::Absolute || s.Place == Position::Fixed) && !IsPopup(box);
}

bool IsFloat(const Box& box)
{
    return box.Parent != nullptr && box.Style && box.S().Box.IsFloat() && !IsAbsolute(box) && !IsPopup(box);
}

bool ShrinksToFit(const Box& box)
{
    const BoxStyle& s = box.S().Box;
    return IsPopup(box) || s.Show == Display::InlineBlock || s.Show == Display::InlineTable || s.Place == Position::Absolute ||
           s.Place == Position::Fixed || IsFloat(box) || (box.Parent != nullptr && box.Parent->InlineContent);
}

// Shown popups are laid out apart from the flow too; the tree places them at their anchors.
bool OutOfFlow(const Box& box)
{
    const BoxStyle& s = box.S().Box;
    return s.Place == Position::Absolute || s.Place == Position::Fixed || IsPopup(box);
}

// Boxes that start a block formatting context of their own (9.4.1): their floats stay inside,
// and their margins do not collapse with their children's.
bool NewContext(const Box& box)
{
    if (box.Parent == nullptr || box.Kind != BoxKind::Block)
        return true;
    const BoxStyle& s = box.S().Box;
    return OutOfFlow(box) || IsFloat(box) || s.Show == Display::InlineBlock || s.Show == Display::TableCaption ||
           box.S().Clips() || box.Parent->InlineContent;
}

// Whether a positioned box inside may have this box's containing block for its own.
bool HoldsAbsolute(const Box& box)
{
    // A table knows from its last layout; its rows and inline boxes ask what they hold.
    if (box.Kind == BoxKind::RowGroup || box.Kind == BoxKind::Row || box.Kind == BoxKind::Inline)
        return std::any_of(box.Children().begin(), box.Children().end(), [](const auto& c) {
            return c->S().Box.Place == Position::Static && HoldsAbsolute(*c);
        });
    return box.OutOfFlowInside;
}

int VerticalEdges(const Box& box)
{
    return box.Used().Border.Vertical() + box.Used().Padding.Vertical();
}

int HorizontalInner(const Box& box)
{
    return box.Used().Border.Horizontal() + box.Used().Padding.Horizontal();
}

void ClampWidth(const Box& box, int available, int& content)
{
    const BoxStyle& s = box.S().Box;
    if (!s.MaxWidth.IsAuto())
        content = std::min(content, s.MaxWidth.Resolve(available));
    content = std::max(content, s.MinWidth.Resolve(available));
    content = std::clamp(content, 0, kMaxSize);
}

void ClampHeight(const Box& box, int containingHeight, int& content)
{
    const BoxStyle& s = box.S().Box;
    if (!s.MaxHeight.IsAuto() && (!s.MaxHeight.IsPercent() || containingHeight >= 0))
        content = std::min(content, s.MaxHeight.Resolve(containingHeight));
    if (!s.MinHeight.IsPercent() || containingHeight >= 0)
        content = std::max(content, s.MinHeight.Resolve(std::max(0, containingHeight)));
    content = std::clamp(content, 0, kMaxSize);
}

// Replaced boxes: the picture's size, or what the style gives with the aspect kept.
void LayoutReplaced(Box& box, int available, int containingHeight, LayoutContext& context)
{
    const BoxStyle& s = box.S().Box;
    int intrinsicW = std::max(0, box.Rare().IntrinsicWidth);
    int intrinsicH = std::max(0, box.Rare().IntrinsicHeight);
    if (box.Rare().Picture && box.Rare().Picture->Valid()) {
        // A picture's pixels are CSS pixels: it grows with the window's DPI like everything else.
        intrinsicW = box.Rare().Picture->Width * context.Dpi / 96;
        intrinsicH = box.Rare().Picture->Height * context.Dpi / 96;
    }
    bool hasW = !s.Width.IsAuto();
    bool hasH = !s.Height.IsAuto() && (!s.Height.IsPercent() || containingHeight >= 0);
    int width = hasW ? s.Width.Resolve(available) : intrinsicW;
    int height = hasH ? s.Height.Resolve(containingHeight) : intrinsicH;
    // A picture keeps its aspect when one side is given; an input keeps its other side.
    bool picture = box.Rare().Picture != nullptr;
    if (picture && hasW && !hasH && intrinsicW > 0)
        height = static_cast<int>(static_cast<long long>(width) * intrinsicH / intrinsicW);
    else if (picture && hasH && !hasW && intrinsicH > 0)
        width = static_cast<int>(static_cast<long long>(height) * intrinsicW / intrinsicH);
    ClampWidth(box, available, width);
    ClampHeight(box, containingHeight, height);
    box.Used().Width = width + HorizontalInner(box);
    box.Used().Height = height + VerticalEdges(box);
    box.Used().ContentWidth = width;
    box.Used().ContentHeight = height;
}

const Box* TableOf(const Box& cell)
{
    const Box* at = cell.Parent;
    while (at != nullptr && at->Kind != BoxKind::Table)
        at = at->Parent;
    return at;
}

// In the collapsing border model (17.6.2) each border between two boxes is shared: the table
// keeps half of its outer borders (the larger half), a cell half of each of its own, so that the
// halves side by side draw the border once. Where a cell meets the table the wider border wins.
Edges BorderWidths(const Box& box)
{
    Edges widths = box.S().Box.BorderWidth;
    if (!box.S().Inherited.CollapseBorders || (box.Kind != BoxKind::Cell && box.Kind != BoxKind::Table))
        return widths;
    if (box.Kind == BoxKind::Table) {
        for (Side side : kAllSides)
            widths[side] = (widths[side] + 1) / 2;
        return widths;
    }
    const Box* table = TableOf(box);
    const TableCache* cache = table != nullptr ? table->TableData() : nullptr;
    if (cache == nullptr)
        return widths;
    const Edges& outer = table->S().Box.BorderWidth;
    const CellPlace& place = box.Cell();
    bool edge[4] = {place.Row == 0, place.Column + place.ColSpan >= cache->Cells.Columns,
                    place.Row + place.RowSpan >= static_cast<int>(cache->Cells.Rows.size()), place.Column == 0};
    for (Side side : kAllSides) {
        bool atEdge = edge[static_cast<int>(side)];
        int width = atEdge ? std::max(widths[side], outer[side]) : widths[side];
        bool before = side == Side::Top || side == Side::Left;
        widths[side] = atEdge ? width / 2 : before ? width / 2 : (width + 1) / 2;
    }
    return widths;
}

} // namespace

void BlockLayout::ResolveEdges(Box& box, int available)
{
    const BoxStyle& s = box.S().Box;
    Edges borders = BorderWidths(box);
    for (Side side : kAllSides) {
        box.Used().Margin[side] = ClampToCap(s.Margin[side].Resolve(available, 0));
        // Half the cap a side, so that a box's two paddings together stay within it.
        box.Used().Padding[side] = std::clamp(s.Padding[side].Resolve(available, 0), 0, kMaxSize / 2);
        box.Used().Border[side] = std::clamp(borders[side], 0, kMaxSize);
    }
}

int BlockLayout::HorizontalEdges(const Box& box, int available)
{
    const BoxStyle& s = box.S().Box;
    Edges borders = BorderWidths(box);
    int edges = 0;
    for (Side side : {Side::Right, Side::Left}) {
        edges += s.Margin[side].Resolve(available, 0);
        edges += std::max(0, s.Padding[side].Resolve(available, 0));
        edges += borders[side];
    }
    return ClampToCap(edges);
}

void BlockLayout::Intrinsic(Box& box, LayoutContext& context, int& minWidth, int& maxWidth)
{
    // A text box is reached only as the child of an inline element standing where blocks do (a
    // table's caption): it has no cache, and no content of its own to measure.
    bool cached = box.Kind != BoxKind::Text && !(box.Kind == BoxKind::Cell && box.S().Inherited.CollapseBorders);
    if (cached && box.Cache().MinContent >= 0 && box.Cache().MaxContent >= 0) {
        minWidth = box.Cache().MinContent;
        maxWidth = box.Cache().MaxContent;
        return;
    }
    const BoxStyle& s = box.S().Box;
    // Percentages count as nothing here; margins and padding in percent need the layout width.
    int edges = HorizontalEdges(box, 0);
    if (box.Kind == BoxKind::Table) {
        TableLayout::Intrinsic(box, context, minWidth, maxWidth);
    } else if (box.Kind == BoxKind::Replaced) {
        LayoutReplaced(box, 0, -1, context);
        minWidth = maxWidth = box.Used().Width - HorizontalInner(box);
    } else if (box.InlineContent) {
        InlineLayout::Intrinsic(box, context, minWidth, maxWidth);
    } else if (box.Kind == BoxKind::Text) {
        minWidth = maxWidth = 0;
    } else {
        minWidth = maxWidth = 0;
        for (auto& child : box.Children()) {
            if (OutOfFlow(*child))
                continue;
            int childMin = 0, childMax = 0;
            Intrinsic(*child, context, childMin, childMax);
            minWidth = std::max(minWidth, childMin);
            maxWidth = std::max(maxWidth, childMax);
        }
    }
    if (box.Kind != BoxKind::Table && box.Kind != BoxKind::Replaced && s.Width.Type == Length::Kind::Px) {
        int fixed = s.Width.Resolve(0);
        // A fixed width holds, unless content that cannot be broken is wider (cells only).
        minWidth = box.Kind == BoxKind::Cell ? std::max(minWidth, fixed) : fixed;
        maxWidth = std::max(fixed, minWidth);
    }
    if (s.MaxWidth.Type == Length::Kind::Px) {
        minWidth = std::min(minWidth, s.MaxWidth.Resolve(0));
        maxWidth = std::min(maxWidth, s.MaxWidth.Resolve(0));
    }
    if (s.MinWidth.Type == Length::Kind::Px) {
        minWidth = std::max(minWidth, s.MinWidth.Resolve(0));
        maxWidth = std::max(maxWidth, s.MinWidth.Resolve(0));
    }
    if (box.Kind != BoxKind::Table) {
        minWidth = ClampToCap(minWidth + edges);
        maxWidth = ClampToCap(std::max(maxWidth + edges, minWidth));
    }
    if (box.Kind != BoxKind::Text) {
        box.Cache().MinContent = minWidth;
        box.Cache().MaxContent = maxWidth;
    }
}

namespace {

// Vertical edges, as they stand before layout: percentages against the containing block's width.
int VerticalEdgesOf(const Box& box, int width)
{
    const BoxStyle& s = box.S().Box;
    int edges = s.BorderWidth.Vertical();
    for (Side side : {Side::Top, Side::Bottom}) {
        edges += s.Margin[side].Resolve(width, 0);
        edges += std::max(0, s.Padding[side].Resolve(width, 0));
    }
    return ClampToCap(edges);
}

// Where a float goes: as high as its place in the flow and the floats before it allow, at its
// side of the content box (9.5.1).
void PlaceFloat(Box& box, Box& child, int y, int width, LayoutContext& context)
{
    BlockLayout::Layout(child, width, -1, context);
    const UsedValues& u = child.Used();
    int left = context.Origin.X + box.Used().ContentX();
    Point at = context.Floats->Place(child.S().Box.FloatRight ? FloatSide::Right : FloatSide::Left,
                                     std::max(0, u.Width + u.Margin.Horizontal()), std::max(0, u.Height + u.Margin.Vertical()),
                                     context.Origin.Y + box.Used().ContentY() + y, left, left + width);
    child.Used().X = at.X - context.Origin.X + u.Margin.Left;
    child.Used().Y = at.Y - context.Origin.Y + u.Margin.Top;
}

// Absolutely positioned boxes whose containing block is this one: below it, past every box that
// is not positioned itself.
void CollectAbsolute(Box& box, std::vector<Box*>& found)
{
    for (auto& child : box.Children()) {
        Box& c = *child;
        if (c.Kind == BoxKind::Text || c.Kind == BoxKind::LineBreak || !c.Style)
            continue;
        if (IsAbsolute(c))
            found.push_back(&c);
        else if (c.S().Box.Place == Position::Static && HoldsAbsolute(c))
            CollectAbsolute(c, found);
    }
}

// Absolutely positioned boxes (10.3.7, 10.6.4): sized and placed against the containing block's
// padding box, from their insets or, where those are auto, from their static position.
void LayoutAbsolute(Box& holder, LayoutContext& context)
{
    std::vector<Box*> found;
    CollectAbsolute(holder, found);
    if (found.empty())
        return;
    const UsedValues& h = holder.Used();
    // The initial containing block is the viewport, which the root's margins do not move.
    bool root = holder.Parent == nullptr;
    int padX = root ? -h.Margin.Left : h.Border.Left;
    int padY = root ? -h.Margin.Top : h.Border.Top;
    int cbw = root ? context.ViewportWidth : h.Width - h.Border.Horizontal();
    int cbh = root ? context.ViewportHeight : h.Height - h.Border.Vertical();
    for (Box* target : found) {
        Box& a = *target;
        // The parent's border box relative to the holder's: 64 bits, as a deep chain of huge
        // offsets adds up past int's range.
        long long chainX = 0, chainY = holder.Used().ShiftY;
        for (Box* at = a.Parent; at != nullptr && at != &holder; at = at->Parent) {
            chainX += at->Used().X;
            chainY += at->Used().Y + at->Used().ShiftY;
        }
        const BoxStyle& s = a.S().Box;
        const Sides<Length>& inset = s.Offsets;
        bool hasL = !inset.Left.IsAuto(), hasR = !inset.Right.IsAuto(), hasT = !inset.Top.IsAuto(), hasB = !inset.Bottom.IsAuto();
        int left = inset.Left.Resolve(cbw), right = inset.Right.Resolve(cbw);
        int top = inset.Top.Resolve(cbh), bottom = inset.Bottom.Resolve(cbh);
        context.ForcedWidth = s.Width.IsAuto() && hasL && hasR ? std::max(0, cbw - left - right - BlockLayout::HorizontalEdges(a, cbw)) : -1;
        context.ForcedHeight = s.Height.IsAuto() && hasT && hasB ? std::max(0, cbh - top - bottom - VerticalEdgesOf(a, cbw)) : -1;
        BlockLayout::Layout(a, cbw, cbh, context);
        context.ForcedWidth = context.ForcedHeight = -1;
        const UsedValues& u = a.Used();
        Point stat = a.Rare().Static;
        long long x = hasL ? 0LL + left + u.Margin.Left
                           : hasR ? 0LL + cbw - right - u.Margin.Right - u.Width : stat.X + chainX - padX + u.Margin.Left;
        long long y = hasT ? 0LL + top + u.Margin.Top
                           : hasB ? 0LL + cbh - bottom - u.Margin.Bottom - u.Height : stat.Y + chainY - padY + u.Margin.Top;
        a.Used().X = ClampToCap(padX + x - chainX);
        a.Used().Y = ClampToCap(padY + y - chainY);
        // The boxes between may have kept their layout: placing walks down to it all the same.
        for (Box* at = &a; at != nullptr && at != &holder; at = at->Parent)
            at->Cache().Generation = context.Generation;
    }
}

} // namespace

int BlockLayout::LayoutContent(Box& box, LayoutContext& context, int innerHeight)
{
    UsedValues& u = box.Used();
    int width = std::max(0, box.ContentWidthInner());
    int height = 0;
    int extentRight = 0;
    const BoxStyle& style = box.S().Box;
    bool own = NewContext(box);
    // Margins that meet a child's pass through the box's top and bottom edges (8.3.1).
    bool topOpen = !own && u.Border.Top == 0 && u.Padding.Top == 0;
    bool bottomOpen = !own && u.Border.Bottom == 0 && u.Padding.Bottom == 0 && innerHeight < 0;
    u.TopRun = {};
    u.TopRun.Add(u.Margin.Top);
    u.BottomRun = {};
    u.BottomRun.Add(u.Margin.Bottom);
    box.Through = false;
    box.OutOfFlowInside = false;
    if (box.InlineContent) {
        height = InlineLayout::Layout(box, width, context);
        box.OutOfFlowInside = std::any_of(box.Children().begin(), box.Children().end(), [](const auto& c) {
            return c->Kind != BoxKind::Text && c->S().Box.Place == Position::Static && HoldsAbsolute(*c);
        });
        for (const LineBox& line : box.Lines())
            extentRight = std::max(extentRight, line.Area.Right() - u.ContentX());
        if (box.Lines().empty() && topOpen && bottomOpen && style.MinHeight.Resolve(0) <= 0) {
            box.Through = true;
            u.TopRun.Add(u.BottomRun);
        }
    } else {
        int y = 0;
        MarginRun pending;    // margins below what was placed last, not yet given their place
        bool placed = false;  // a box that margins cannot collapse through is in place
        Point origin = context.Origin;
        for (auto& child : box.Children()) {
            Box& c = *child;
            UsedValues& cu = c.Used();
            if (IsPopup(c)) {
                Layout(c, context.ViewportWidth, innerHeight, context);
                cu.X = u.ContentX() + cu.Margin.Left;
                cu.Y = u.ContentY() + y + cu.Margin.Top;
                continue;
            }
            int settled = y + (placed || !topOpen ? pending.Value() : 0);
            if (IsAbsolute(c)) {
                // Laid out by its containing block, which needs its static position for auto insets.
                c.Rare().Static = {u.ContentX(), u.ContentY() + settled};
                box.OutOfFlowInside = true;
                continue;
            }
            if (IsFloat(c) && context.Floats != nullptr) {
                PlaceFloat(box, c, settled, width, context);
                if (c.S().Box.Place == Position::Static && HoldsAbsolute(c))
                    box.OutOfFlowInside = true;
                extentRight = std::max(extentRight, cu.X - u.ContentX() + cu.Width + cu.Margin.Right);
                continue;
            }
            const BoxStyle& cs = c.S().Box;
            MarginRun guess = pending;
            guess.Add(cs.Margin.Top.Resolve(width, 0));
            context.Origin = {ClampToCap(0LL + origin.X + u.ContentX() + cs.Margin.Left.Resolve(width, 0)),
                              ClampToCap(0LL + origin.Y + u.ContentY() + y + (placed || !topOpen ? guess.Value() : 0))};
            Layout(c, width, innerHeight, context);
            context.Origin = origin;
            if (cs.Place == Position::Static && HoldsAbsolute(c))
                box.OutOfFlowInside = true;
            cu.X = u.ContentX() + cu.Margin.Left;
            // Auto side margins centre a block of a given width.
            if (!ShrinksToFit(c) && cs.Margin.Right.IsAuto() && cs.Margin.Left.IsAuto())
                cu.X = u.ContentX() + std::max(0, (width - cu.Width) / 2);
            else if (!ShrinksToFit(c) && cs.Margin.Left.IsAuto() && !cs.Width.IsAuto())
                cu.X = u.ContentX() + std::max(0, width - cu.Width - cu.Margin.Right);
            MarginRun merged = pending;
            merged.Add(cu.TopRun);
            // Clearance (9.5.2): the border edge goes below the floats it clears, if they reach lower.
            if ((cs.ClearLeft || cs.ClearRight) && context.Floats != nullptr) {
                int floats = context.Floats->Bottom(cs.ClearLeft, cs.ClearRight);
                int floorY = floats == INT_MIN ? INT_MIN : floats - origin.Y - u.ContentY();
                int hypothetical = y + (placed || !topOpen ? merged.Value() : 0);
                if (floorY > hypothetical) {
                    cu.Y = u.ContentY() + floorY;
                    y = ClampToCap(floorY + cu.Height);
                    pending = cu.BottomRun;
                    placed = true;
                    extentRight = std::max(extentRight, cu.X - u.ContentX() + cu.Width + cu.Margin.Right);
                    continue;
                }
            }
            if (c.Through) {
                cu.Y = u.ContentY() + y + (placed || !topOpen ? merged.Value() : 0);
                pending = merged;
                pending.Add(cu.BottomRun);
                continue;
            }
            if (!placed && topOpen) {
                u.TopRun.Add(merged);
                cu.Y = u.ContentY() + y;
            } else {
                cu.Y = u.ContentY() + y + merged.Value();
            }
            // Held at the size cap: a run of huge siblings adds up past int's range.
            y = ClampToCap(cu.Y - u.ContentY() + cu.Height);
            pending = cu.BottomRun;
            placed = true;
            extentRight = std::max(extentRight, cu.X - u.ContentX() + cu.Width + cu.Margin.Right);
        }
        if (!placed && topOpen) {
            // Nothing holds the margins apart: they all pass through the top edge, and through
            // the bottom one too when the box is empty.
            u.TopRun.Add(pending);
            if (bottomOpen && style.MinHeight.Resolve(0) <= 0) {
                box.Through = true;
                u.TopRun.Add(u.BottomRun);
            }
        } else if (placed && bottomOpen) {
            u.BottomRun.Add(pending);
        } else {
            y += placed ? pending.Value() : std::max(0, pending.Value());
        }
        height = std::clamp(y, 0, kMaxSize);
    }
    u.ContentWidth = std::clamp(extentRight, 0, kMaxSize);
    u.ContentHeight = height;
    return height;
}

void BlockLayout::Layout(Box& box, int available, int containingHeight, LayoutContext& context)
{
    available = std::clamp(available, 0, kMaxSize);
    // Insets that size an absolutely positioned box are its containing block's to give, once.
    int forcedWidth = context.ForcedWidth, forcedHeight = context.ForcedHeight;
    context.ForcedWidth = context.ForcedHeight = -1;
    bool own = NewContext(box);
    // A box in a context with floats depends on where it stands, and one laid out among floats
    // last time may have lines that went round floats no longer there (or floats of its own to
    // give the context again).
    bool floatsAround = !own && ((context.Floats != nullptr && !context.Floats->Empty()) || box.FloatsInside);
    // A cell's share of collapsed borders follows its place in the grid, which may have changed.
    bool bordersMoved = box.Kind == BoxKind::Cell && box.S().Inherited.CollapseBorders && BorderWidths(box) != box.Used().Border;
    const LayoutCache& last = box.Cache();
    if (!box.NeedsLayout && last.LastAvailable == available && last.LastAvailableHeight == containingHeight && !floatsAround &&
        !bordersMoved && forcedWidth < 0 && forcedHeight < 0)
        return;
    ResolveEdges(box, available);
    UsedValues& u = box.Used();
    const BoxStyle& s = box.S().Box;
    u.TopRun = {};
    u.TopRun.Add(u.Margin.Top);
    u.BottomRun = {};
    u.BottomRun.Add(u.Margin.Bottom);
    box.Through = false;
    if (box.Kind == BoxKind::Table) {
        TableLayout::Layout(box, available, context);
        if (s.Place != Position::Static)
            LayoutAbsolute(box, context);
    } else if (box.Kind == BoxKind::Replaced) {
        LayoutReplaced(box, available, containingHeight, context);
    } else if (box.Kind == BoxKind::LineBreak || box.Kind == BoxKind::Inline) {
        u.Width = u.Height = 0;
    } else {
        int inner = HorizontalInner(box);
        int margins = u.Margin.Horizontal();
        int content = 0;
        if (box.Kind == BoxKind::Cell) {
            content = available - inner;  // the table gave it its columns' width
        } else if (forcedWidth >= 0) {
            content = forcedWidth;
        } else if (!s.Width.IsAuto()) {
            content = s.Width.Resolve(available);
        } else if (ShrinksToFit(box)) {
            int minWidth = 0, maxWidth = 0;
            Intrinsic(box, context, minWidth, maxWidth);
            content = std::min(std::max(minWidth, available - margins), maxWidth) - inner - margins;
        } else {
            content = available - margins - inner;
        }
        ClampWidth(box, available, content);
        u.Width = content + inner;

        bool heightGiven = forcedHeight >= 0 || s.Height.Type == Length::Kind::Px || (s.Height.IsPercent() && containingHeight >= 0);
        int givenHeight = forcedHeight >= 0 ? forcedHeight : heightGiven ? std::max(0, s.Height.Resolve(containingHeight)) : -1;
        if (heightGiven)
            ClampHeight(box, containingHeight, givenHeight);
        // Scroll bars: as the style says, or for auto as the last layout found (a new box bets on
        // the vertical one), then again only if the content proves the bet wrong.
        bool fresh = last.LastAvailable < 0;
        bool autoV = s.OverflowY == Overflow::Auto && heightGiven;
        box.SetBars(s.OverflowY == Overflow::Scroll || (autoV && (fresh || box.BarV() > 0)) ? context.Scrollbar : 0,
                    s.OverflowX == Overflow::Scroll || (s.OverflowX == Overflow::Auto && box.BarH() > 0) ? context.Scrollbar : 0);
        if (heightGiven)
            u.Height = givenHeight + VerticalEdges(box);
        FloatList* outerFloats = context.Floats;
        Point outerOrigin = context.Origin;
        int contentHeight = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            int innerHeight = heightGiven ? std::max(0, givenHeight - box.BarH()) : -1;
            FloatList floats;
            if (own) {
                context.Floats = &floats;
                context.Origin = {};
            }
            contentHeight = LayoutContent(box, context, innerHeight);
            // A formatting context's own floats are inside its automatic height (10.6.7).
            if (own && !floats.Empty())
                contentHeight = std::max(contentHeight, ClampToCap(floats.Bottom(true, true) - u.ContentY()));
            context.Floats = outerFloats;
            context.Origin = outerOrigin;
            if (!box.IsScroller())
                break;
            bool needV = s.OverflowY == Overflow::Scroll || (autoV && contentHeight > givenHeight - box.BarH());
            bool needH = s.OverflowX == Overflow::Scroll ||
                         (s.OverflowX == Overflow::Auto && u.ContentWidth > box.ContentWidthInner());
            if (needV == (box.BarV() > 0) && needH == (box.BarH() > 0))
                break;
            box.SetBars(needV ? context.Scrollbar : 0, needH ? context.Scrollbar : 0);
        }
        box.FloatsInside = !own && outerFloats != nullptr && !outerFloats->Empty();
        u.ContentHeight = std::max(u.ContentHeight, contentHeight);
        // A cell's height is the least it gets: its content makes it taller (17.5.3).
        int height = !heightGiven ? contentHeight + box.BarH()
                     : box.Kind == BoxKind::Cell ? std::max(givenHeight, contentHeight + box.BarH()) : givenHeight;
        if (!heightGiven)
            ClampHeight(box, containingHeight, height);
        u.Height = height + VerticalEdges(box);
        // (A box without a rare part has not scrolled.)
        BoxRare* rare = box.RarePart();
        if (box.IsScroller() && rare != nullptr) {
            Point& scroll = rare->Scroll;
            scroll.X = std::clamp(scroll.X, 0, std::max(0, u.ContentWidth - box.ContentWidthInner()));
            scroll.Y = std::clamp(scroll.Y, 0, std::max(0, u.ContentHeight - box.ContentHeightInner()));
        }
        if (box.Parent == nullptr || s.Place != Position::Static)
            LayoutAbsolute(box, context);
    }
    LayoutCache& cache = box.Cache();
    cache.LastAvailable = available;
    cache.LastAvailableHeight = containingHeight;
    cache.LaidOutHeight = u.Height;
    cache.Generation = context.Generation;
    box.NeedsLayout = false;
}

} // namespace Engine
