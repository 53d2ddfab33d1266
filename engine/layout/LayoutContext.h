#pragma once
#include "engine/layout/Box.h"
#include "engine/layout/FloatList.h"
#include "engine/gfx/TextMeasurer.h"

#include <algorithm>

namespace Engine {

// Sizes and positions are kept far from int's limits, whatever a page asks for, so that a few of
// them add up safely.
constexpr int kMaxSize = 1 << 24;

// A size, or a sum of offsets, held within that range: taken as 64 bits, since the offsets of
// deeply nested boxes add up past int's range.
[[nodiscard]] constexpr int ClampToCap(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, -kMaxSize, kMaxSize));
}

struct LayoutContext {
    TextMeasurer& Measurer;
    int ViewportWidth = 0;
    int ViewportHeight = 0;
    int Scrollbar = 16;
    int Dpi = 96;
    unsigned Generation = 0;  // marks the boxes this layout pass touched
    FloatList* Floats = nullptr;  // the floats of the formatting context being laid out
    Point Origin = {};            // the box being laid out, in that context's coordinates
    // The content size an absolutely positioned box takes from its insets, for its next layout.
    int ForcedWidth = -1;
    int ForcedHeight = -1;
};

// Block flow (CSS 2.1, 9.4.1 and 10.3, 10.6): widths from the containing block, vertical margins
// collapsed between siblings, through empty blocks and with a parent's first and last child
// (8.3.1), floats and clearance (9.5), absolutely positioned boxes in their containing block's
// padding box (10.3.7, 10.6.4), heights from content unless given.
class BlockLayout {
public:
    // Lays the box out for a containing block of this width (and height, -1 when it depends
    // on content). The box's own X and Y are its parent's business.
    static void Layout(Box& box, int available, int containingHeight, LayoutContext& context);
    // Shrink-to-fit widths (CSS 2.1, 10.3.5): the border box at its narrowest and widest.
    static void Intrinsic(Box& box, LayoutContext& context, int& minWidth, int& maxWidth);
    // Horizontal margin, border and padding; percentages against the given width.
    static int HorizontalEdges(const Box& box, int available);
    static void ResolveEdges(Box& box, int available);
    // Lays out the content inside the box's content width; returns the content height.
    static int LayoutContent(Box& box, LayoutContext& context, int innerHeight);
};

// Line building (CSS 2.1, 9.4.2 and 10.8): text split at break opportunities as white-space
// allows, atomic inline boxes, baseline alignment with middle, top and bottom for atomic boxes.
class InlineLayout {
public:
    static int Layout(Box& container, int width, LayoutContext& context);
    static void Intrinsic(Box& container, LayoutContext& context, int& minWidth, int& maxWidth);
    static void PrepareText(Box& text, TextMeasurer& measurer);
    static FontId FontOf(const Box& box, TextMeasurer& measurer);
    static int LineHeightOf(const ComputedStyle& style, const FontMetrics& metrics);
};

// The automatic table layout (CSS 2.1, 17.5.2.2, with the column width distribution browsers
// use): column minimum and maximum widths from the cells, fixed and percentage widths, spans,
// border spacing, row heights from the cells, vertical alignment in cells. The fixed one
// (17.5.2.1) for a table with a width and table-layout: fixed: columns from the first row alone.
class TableLayout {
public:
    static void Layout(Box& table, int available, LayoutContext& context);
    static void Intrinsic(Box& table, LayoutContext& context, int& minWidth, int& maxWidth);
};

} // namespace Engine
