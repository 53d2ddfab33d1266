#pragma once
#include "engine/gfx/BorderStyle.h"
#include "engine/gfx/Color.h"
#include "engine/gfx/Font.h"
#include "engine/gfx/Geometry.h"
#include "engine/dom/StyleChange.h"

#include <memory>
#include <string>

namespace Engine {

// A length after computation: device pixels, a percentage of the containing block, or auto.
struct Length {
    enum class Kind : unsigned char { Auto, Px, Percent };
    Kind Type = Kind::Px;
    float Value = 0;

    static Length Auto() { return {Kind::Auto, 0}; }
    static Length Px(float px) { return {Kind::Px, px}; }
    [[nodiscard]] bool IsAuto() const { return Type == Kind::Auto; }
    [[nodiscard]] bool IsPercent() const { return Type == Kind::Percent; }
    // Auto resolves to the given fallback; percentages against the base.
    [[nodiscard]] int Resolve(int base, int autoValue = 0) const;
    bool operator==(const Length&) const = default;
};

enum class Display : unsigned char {
    None, Block, Inline, InlineBlock, ListItem, Table, InlineTable, TableRowGroup, TableHeaderGroup,
    TableFooterGroup, TableRow, TableCell, TableColumn, TableColumnGroup, TableCaption
};
enum class Position : unsigned char { Static, Relative, Absolute, Fixed, Sticky };
enum class Overflow : unsigned char { Visible, Hidden, Auto, Scroll };
enum class WhiteSpace : unsigned char { Normal, NoWrap, Pre, PreWrap, PreLine };
enum class TextAlign : unsigned char { Left, Right, Center, Justify };
enum class VerticalAlign : unsigned char { Baseline, Middle, Top, Bottom, TextTop, TextBottom, Sub, Super };
enum class Visibility : unsigned char { Visible, Hidden, Collapse };
enum class Cursor : unsigned char { Auto, Default, Pointer, Text, Wait, Move, Help, NotAllowed, Crosshair, ResizeEW, ResizeNS };
enum class ListStyle : unsigned char { None, Disc, Circle, Square, Decimal };
enum class BackgroundRepeat : unsigned char { Repeat, RepeatX, RepeatY, NoRepeat };
enum class TextOverflow : unsigned char { Clip, Ellipsis };
enum class TableLayoutMode : unsigned char { Auto, Fixed };

// What an element looks like after the cascade. Three groups: what children inherit, what
// places boxes, and what only paints, so that a change can be told apart as relayout or repaint.
struct InheritedStyle {
    Color TextColor = MakeColor(0, 0, 0);
    FontSpec Font;
    int LineHeight = -1;  // -1: the font's own
    float LineHeightFactor = 0;  // a unitless line height multiplies the size
    TextAlign Align = TextAlign::Left;
    WhiteSpace Space = WhiteSpace::Normal;
    Visibility Visible = Visibility::Visible;
    Cursor CursorShape = Cursor::Auto;
    ListStyle ListMarker = ListStyle::Disc;
    int SpacingX = 0;  // border-spacing
    int SpacingY = 0;
    bool CollapseBorders = false;
    Length TextIndent = Length::Px(0);
    bool operator==(const InheritedStyle&) const = default;
};

struct BoxStyle {
    Display Show = Display::Inline;
    Position Place = Position::Static;
    Sides<Length> Offsets{Length::Auto(), Length::Auto(), Length::Auto(), Length::Auto()};
    Length Width = Length::Auto();
    Length Height = Length::Auto();
    Length MinWidth = Length::Px(0);
    Length MinHeight = Length::Px(0);
    Length MaxWidth = Length::Auto();  // auto: none
    Length MaxHeight = Length::Auto();
    Sides<Length> Margin;
    Sides<Length> Padding;
    Edges BorderWidth;
    Overflow OverflowX = Overflow::Visible;
    Overflow OverflowY = Overflow::Visible;
    VerticalAlign VAlign = VerticalAlign::Baseline;
    TextOverflow OverflowText = TextOverflow::Clip;
    TableLayoutMode ColumnLayout = TableLayoutMode::Auto;
    bool FloatRight = false;
    bool FloatLeft = false;
    bool ClearLeft = false;
    bool ClearRight = false;
    int ZIndex = 0;
    [[nodiscard]] bool IsFloat() const { return FloatLeft || FloatRight; }
    bool operator==(const BoxStyle&) const = default;
};

// While styles are built, a border colour not given (or "currentcolor") is this; it becomes the
// text colour. Its alpha of 0 would draw nothing, like "transparent" itself (which is 0).
constexpr Color kCurrentColor = 0x00FFFFFEu;

struct PaintStyle {
    Color Background = kTransparent;
    Color GradientEnd = kTransparent;  // transparent: no gradient
    bool GradientVertical = true;
    std::wstring BackgroundImage;      // URL as written
    BackgroundRepeat Repeat = BackgroundRepeat::Repeat;
    Length BackgroundX = Length::Px(0);
    Length BackgroundY = Length::Px(0);
    Sides<BorderStyle> BorderStyles;
    Sides<Color> BorderColors;
    float Opacity = 1;
    std::wstring ForegroundImage;      // foreground-image, drawn over the content
    bool operator==(const PaintStyle&) const = default;
};

class TextMeasurer;

struct ComputedStyle {
    InheritedStyle Inherited;
    BoxStyle Box;
    PaintStyle Paint;

    // The font interned by the measurer that last asked, so that layout asks only once.
    mutable const TextMeasurer* FontMeasurer = nullptr;
    mutable FontId FontHandle = -1;

    [[nodiscard]] bool Scrolls() const { return Box.OverflowX >= Overflow::Auto || Box.OverflowY >= Overflow::Auto; }
    [[nodiscard]] bool Clips() const { return Box.OverflowX != Overflow::Visible || Box.OverflowY != Overflow::Visible; }
};

using StylePtr = std::shared_ptr<const ComputedStyle>;

[[nodiscard]] StyleChange Compare(const ComputedStyle* before, const ComputedStyle& after);

} // namespace Engine
