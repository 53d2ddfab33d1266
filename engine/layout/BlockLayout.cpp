#include "engine/layout/LayoutContext.h"

#include "engine/dom/Element.h"

#include <algorithm>
#include <climits>

namespace Engine {

namespace {

// Sizes are kept far from the int limits, whatever a page asks for.
constexpr int kMaxSize = 1 << 24;

int Clamp(int value)
{
    return std::clamp(value, -kMaxSize, kMaxSize);
}

int CollapseMargins(int a, int b)
{
    if (a >= 0 && b >= 0)
        return std::max(a, b);
    if (a < 0 && b < 0)
        return std::min(a, b);
    return a + b;
}

bool IsPopup(const Box& box)
{
    return box.Owner != nullptr && (box.Owner->State() & kStatePopup) != 0;
}

bool ShrinksToFit(const Box& box)
{
    const BoxStyle& s = box.S().Box;
    return IsPopup(box) || s.Show == Display::InlineBlock || s.Show == Display::InlineTable || s.Place == Position::Absolute ||
           s.Place == Position::Fixed || (box.Parent != nullptr && box.Parent->InlineContent);
}

// Shown popups are laid out apart from the flow too; the tree places them at their anchors.
bool OutOfFlow(const Box& box)
{
    const BoxStyle& s = box.S().Box;
    return s.Place == Position::Absolute || s.Place == Position::Fixed || IsPopup(box);
}

int VerticalEdges(const Box& box)
{
    return box.Used.Border.Vertical() + box.Used.Padding.Vertical();
}

int HorizontalInner(const Box& box)
{
    return box.Used.Border.Horizontal() + box.Used.Padding.Horizontal();
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
    box.Used.Width = width + HorizontalInner(box);
    box.Used.Height = height + VerticalEdges(box);
    box.Used.ContentWidth = width;
    box.Used.ContentHeight = height;
}

} // namespace

void BlockLayout::ResolveEdges(Box& box, int available)
{
    const BoxStyle& s = box.S().Box;
    for (Side side : kAllSides) {
        box.Used.Margin[side] = Clamp(s.Margin[side].Resolve(available, 0));
        box.Used.Padding[side] = std::clamp(s.Padding[side].Resolve(available, 0), 0, kMaxSize);
        box.Used.Border[side] = std::clamp(s.BorderWidth[side], 0, kMaxSize);
    }
}

int BlockLayout::HorizontalEdges(const Box& box, int available)
{
    const BoxStyle& s = box.S().Box;
    int edges = 0;
    for (Side side : {Side::Right, Side::Left}) {
        edges += s.Margin[side].Resolve(available, 0);
        edges += std::max(0, s.Padding[side].Resolve(available, 0));
        edges += s.BorderWidth[side];
    }
    return Clamp(edges);
}

void BlockLayout::Intrinsic(Box& box, LayoutContext& context, int& minWidth, int& maxWidth)
{
    if (box.MinContent >= 0 && box.MaxContent >= 0) {
        minWidth = box.MinContent;
        maxWidth = box.MaxContent;
        return;
    }
    const BoxStyle& s = box.S().Box;
    // Percentages count as nothing here; margins and padding in percent need the layout width.
    int edges = HorizontalEdges(box, 0);
    if (box.Kind == BoxKind::Table) {
        TableLayout::Intrinsic(box, context, minWidth, maxWidth);
    } else if (box.Kind == BoxKind::Replaced) {
        LayoutReplaced(box, 0, -1, context);
        minWidth = maxWidth = box.Used.Width - HorizontalInner(box);
    } else if (box.InlineContent) {
        InlineLayout::Intrinsic(box, context, minWidth, maxWidth);
    } else {
        minWidth = maxWidth = 0;
        for (auto& child : box.Children) {
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
        minWidth = Clamp(minWidth + edges);
        maxWidth = Clamp(std::max(maxWidth + edges, minWidth));
    }
    box.MinContent = minWidth;
    box.MaxContent = maxWidth;
}

int BlockLayout::LayoutContent(Box& box, LayoutContext& context, int innerHeight)
{
    int width = std::max(0, box.Used.ContentWidthInner());
    int height = 0;
    int extentRight = 0;
    if (box.InlineContent) {
        height = InlineLayout::Layout(box, width, context);
        for (const LineBox& line : box.Lines)
            extentRight = std::max(extentRight, line.Area.Right() - box.Used.ContentX());
    } else {
        int y = 0;
        int pending = 0;
        bool first = true;
        for (auto& child : box.Children) {
            Box& c = *child;
            if (OutOfFlow(c)) {
                Layout(c, IsPopup(c) ? context.ViewportWidth : width, innerHeight, context);
                const BoxStyle& cs = c.S().Box;
                int left = cs.Offsets.Left.IsAuto() ? 0 : cs.Offsets.Left.Resolve(width);
                int top = cs.Offsets.Top.IsAuto() ? y : cs.Offsets.Top.Resolve(std::max(0, innerHeight));
                if (cs.Offsets.Left.IsAuto() && !cs.Offsets.Right.IsAuto())
                    left = width - cs.Offsets.Right.Resolve(width) - c.Used.Width - c.Used.Margin.Horizontal();
                c.Used.X = box.Used.ContentX() + left + c.Used.Margin.Left;
                c.Used.Y = box.Used.ContentY() + top + c.Used.Margin.Top;
                continue;
            }
            Layout(c, width, innerHeight, context);
            int top = c.Used.Margin.Top;
            int margin = first ? top : CollapseMargins(pending, top);
            bool empty = c.Used.Height == 0 && c.Kind != BoxKind::Table && c.Children.empty();
            c.Used.X = box.Used.ContentX() + c.Used.Margin.Left;
            // Auto side margins centre a block of a given width.
            const BoxStyle& cs = c.S().Box;
            if (!ShrinksToFit(c) && cs.Margin.Right.IsAuto() && cs.Margin.Left.IsAuto())
                c.Used.X = box.Used.ContentX() + std::max(0, (width - c.Used.Width) / 2);
            else if (!ShrinksToFit(c) && cs.Margin.Left.IsAuto() && !cs.Width.IsAuto())
                c.Used.X = box.Used.ContentX() + std::max(0, width - c.Used.Width - c.Used.Margin.Right);
            if (empty) {
                c.Used.Y = box.Used.ContentY() + y + margin;
                pending = CollapseMargins(margin, c.Used.Margin.Bottom);
                continue;
            }
            c.Used.Y = box.Used.ContentY() + y + (first ? top : margin);
            y = c.Used.Y - box.Used.ContentY() + c.Used.Height;
            pending = c.Used.Margin.Bottom;
            first = false;
            extentRight = std::max(extentRight, c.Used.X - box.Used.ContentX() + c.Used.Width + c.Used.Margin.Right);
        }
        y += first ? std::max(0, pending) : pending;
        height = std::max(0, y);
    }
    box.Used.ContentWidth = std::max(extentRight, 0);
    box.Used.ContentHeight = height;
    return height;
}

void BlockLayout::Layout(Box& box, int available, int containingHeight, LayoutContext& context)
{
    available = std::clamp(available, 0, kMaxSize);
    if (!box.NeedsLayout && box.LastAvailable == available && box.LastAvailableHeight == containingHeight)
        return;
    ResolveEdges(box, available);
    const BoxStyle& s = box.S().Box;
    if (box.Kind == BoxKind::Table) {
        TableLayout::Layout(box, available, context);
    } else if (box.Kind == BoxKind::Replaced) {
        LayoutReplaced(box, available, containingHeight, context);
    } else if (box.Kind == BoxKind::Text || box.Kind == BoxKind::LineBreak || box.Kind == BoxKind::Inline) {
        box.Used.Width = box.Used.Height = 0;
    } else {
        int inner = HorizontalInner(box);
        int margins = box.Used.Margin.Horizontal();
        int content = 0;
        if (box.Kind == BoxKind::Cell) {
            content = available - inner;  // the table gave it its columns' width
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
        box.Used.Width = content + inner;

        bool heightGiven = s.Height.Type == Length::Kind::Px || (s.Height.IsPercent() && containingHeight >= 0);
        int givenHeight = heightGiven ? std::max(0, s.Height.Resolve(containingHeight)) : -1;
        if (heightGiven)
            ClampHeight(box, containingHeight, givenHeight);
        // Scroll bars: as the style says, or for auto as the last layout found (a new box bets on
        // the vertical one), then again only if the content proves the bet wrong.
        bool fresh = box.LastAvailable < 0;
        bool autoV = s.OverflowY == Overflow::Auto && heightGiven;
        box.Used.BarV = s.OverflowY == Overflow::Scroll || (autoV && (fresh || box.Used.BarV > 0)) ? context.Scrollbar : 0;
        box.Used.BarH = s.OverflowX == Overflow::Scroll || (s.OverflowX == Overflow::Auto && box.Used.BarH > 0) ? context.Scrollbar : 0;
        if (heightGiven)
            box.Used.Height = givenHeight + VerticalEdges(box);
        int contentHeight = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            int innerHeight = heightGiven ? std::max(0, givenHeight - box.Used.BarH) : -1;
            contentHeight = LayoutContent(box, context, innerHeight);
            if (!box.IsScroller())
                break;
            bool needV = s.OverflowY == Overflow::Scroll || (autoV && contentHeight > givenHeight - box.Used.BarH);
            bool needH = s.OverflowX == Overflow::Scroll ||
                         (s.OverflowX == Overflow::Auto && box.Used.ContentWidth > box.Used.ContentWidthInner());
            if (needV == (box.Used.BarV > 0) && needH == (box.Used.BarH > 0))
                break;
            box.Used.BarV = needV ? context.Scrollbar : 0;
            box.Used.BarH = needH ? context.Scrollbar : 0;
        }
        int height = heightGiven ? givenHeight : contentHeight + box.Used.BarH;
        if (!heightGiven)
            ClampHeight(box, containingHeight, height);
        box.Used.Height = height + VerticalEdges(box);
        if (box.IsScroller()) {
            box.ScrollX = std::clamp(box.ScrollX, 0, std::max(0, box.Used.ContentWidth - box.Used.ContentWidthInner()));
            box.ScrollY = std::clamp(box.ScrollY, 0, std::max(0, box.Used.ContentHeight - box.Used.ContentHeightInner()));
        }
    }
    box.LastAvailable = available;
    box.LastAvailableHeight = containingHeight;
    box.LaidOutHeight = box.Used.Height;
    box.NeedsLayout = false;
    box.Generation = context.Generation;
}

} // namespace Engine
