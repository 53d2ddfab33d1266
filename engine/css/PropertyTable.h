#pragma once
#include "engine/css/ComputedStyle.h"

#include <span>
#include <string_view>

namespace Engine {

// The properties the engine knows by name. Unknown ones are kept as written (for style reads and
// behaviors) and computed by nobody.
enum class CssProperty : short {
    Unknown,
    // Inherited.
    Color, FontFamily, FontSize, FontWeight, FontStyle, FontVariant, TextDecoration, LineHeight, TextAlign,
    TextIndent, TextTransform, LetterSpacing, WordSpacing, Direction, WhiteSpace, Visibility, Cursor,
    ListStyleType, ListStylePosition, ListStyleImage, BorderSpacing, BorderCollapse,
    // Not inherited.
    Display, Position, Top, Right, Bottom, Left, Width, Height, MinWidth, MinHeight, MaxWidth, MaxHeight,
    MarginTop, MarginRight, MarginBottom, MarginLeft, PaddingTop, PaddingRight, PaddingBottom, PaddingLeft,
    BorderTopWidth, BorderRightWidth, BorderBottomWidth, BorderLeftWidth, BorderTopStyle, BorderRightStyle,
    BorderBottomStyle, BorderLeftStyle, BorderTopColor, BorderRightColor, BorderBottomColor, BorderLeftColor,
    Overflow, OverflowX, OverflowY, VerticalAlign, Float, Clear, ZIndex, BackgroundColor, BackgroundImage,
    BackgroundRepeat, BackgroundPosition, Opacity, ForegroundImage, TextOverflow, TableLayout,
    // Shorthands: they stay as written for style reads and bring their longhands after them.
    Font, ListStyle, Margin, Padding, Border, BorderWidth, BorderStyle, BorderColor, BorderTop, BorderRight,
    BorderBottom, BorderLeft, Background,
};

// The part of the computed style that a property's value becomes, as the style builder copies it
// for `inherit` and `initial` and as a change is told apart as repaint or relayout.
struct StyleFields {
    void (*Copy)(ComputedStyle& to, const ComputedStyle& from) = nullptr;
    bool (*Same)(const ComputedStyle& a, const ComputedStyle& b) = nullptr;
};

// The facts about one property, kept here once for the parser's shorthands, the cascade's style
// reads, the style builder and the comparison of styles.
struct PropertyInfo {
    std::string_view Name;
    CssProperty Id = CssProperty::Unknown;
    bool Inherited = false;
    StyleChange Effect = StyleChange::Relayout;  // what a change of its computed value asks for
    std::wstring_view Initial;                   // as CSS text; empty: the engine's own default
    StyleFields Fields;                          // none: the engine computes nothing from it
    std::span<const std::string_view> Longhands; // a shorthand's, in the order it writes them
};

// The table of every property the engine knows (CSS 2.1, Appendix F, with the engine's own
// `foreground-image` and its knowing departures noted where they are listed).
class PropertyTable {
public:
    [[nodiscard]] static std::span<const PropertyInfo> All();
    // Null for a property the engine does not know.
    [[nodiscard]] static const PropertyInfo* Find(std::string_view name);
    [[nodiscard]] static const PropertyInfo& Of(CssProperty id);
};

} // namespace Engine
