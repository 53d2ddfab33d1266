#include "engine/css/PropertyTable.h"

#include <array>
#include <tuple>
#include <unordered_map>

namespace Engine {

namespace {

// The computed fields a property becomes, named once by a function that ties them: copying and
// comparing both follow from it.
template <typename Tie>
constexpr StyleFields FieldsOf(Tie)
{
    return {[](ComputedStyle& to, const ComputedStyle& from) { Tie()(to) = Tie()(from); },
            [](const ComputedStyle& a, const ComputedStyle& b) { return Tie()(a) == Tie()(b); }};
}

constexpr bool kInherited = true;
constexpr bool kNotInherited = false;
constexpr StyleChange kRelayout = StyleChange::Relayout;
constexpr StyleChange kRepaint = StyleChange::Repaint;

constexpr std::string_view kFont[] = {"font-style", "font-variant", "font-weight", "font-size", "line-height", "font-family"};
constexpr std::string_view kListStyle[] = {"list-style-type", "list-style-position", "list-style-image"};
constexpr std::string_view kMargin[] = {"margin-top", "margin-right", "margin-bottom", "margin-left"};
constexpr std::string_view kPadding[] = {"padding-top", "padding-right", "padding-bottom", "padding-left"};
constexpr std::string_view kBorderWidth[] = {"border-top-width", "border-right-width", "border-bottom-width", "border-left-width"};
constexpr std::string_view kBorderStyle[] = {"border-top-style", "border-right-style", "border-bottom-style", "border-left-style"};
constexpr std::string_view kBorderColor[] = {"border-top-color", "border-right-color", "border-bottom-color", "border-left-color"};
constexpr std::string_view kBorderTop[] = {"border-top-width", "border-top-style", "border-top-color"};
constexpr std::string_view kBorderRight[] = {"border-right-width", "border-right-style", "border-right-color"};
constexpr std::string_view kBorderBottom[] = {"border-bottom-width", "border-bottom-style", "border-bottom-color"};
constexpr std::string_view kBorderLeft[] = {"border-left-width", "border-left-style", "border-left-color"};
constexpr std::string_view kBorder[] = {
    "border-top-width",  "border-top-style",    "border-top-color",    "border-right-width",
    "border-right-style", "border-right-color", "border-bottom-width", "border-bottom-style",
    "border-bottom-color", "border-left-width", "border-left-style",   "border-left-color"};
constexpr std::string_view kBackground[] = {"background-color", "background-image", "background-repeat", "background-position"};

constexpr PropertyInfo kTable[] = {
    {"color", CssProperty::Color, kInherited, kRepaint, L"black",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.TextColor); }), {}},
    // Empty: the measurer's default face, the system's dialog font.
    {"font-family", CssProperty::FontFamily, kInherited, kRelayout, L"",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Font.Family); }), {}},
    // The engine starts at 12 CSS pixels, the size of the system's dialog text, not CSS's 16.
    {"font-size", CssProperty::FontSize, kInherited, kRelayout, L"12px",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Font.SizePx); }), {}},
    {"font-weight", CssProperty::FontWeight, kInherited, kRelayout, L"normal",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Font.Weight); }), {}},
    {"font-style", CssProperty::FontStyle, kInherited, kRelayout, L"normal",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Font.Italic); }), {}},
    {"font-variant", CssProperty::FontVariant, kInherited, kRelayout, L"normal", {}, {}},
    // Not inherited in CSS, but drawn through the text of every descendant (16.3.1): carried
    // down like an inherited property, that is what the engine draws.
    {"text-decoration", CssProperty::TextDecoration, kInherited, kRepaint, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Font.Underline, s.Inherited.Font.Strike); }), {}},
    {"line-height", CssProperty::LineHeight, kInherited, kRelayout, L"normal",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.LineHeight, s.Inherited.LineHeightFactor); }), {}},
    {"text-align", CssProperty::TextAlign, kInherited, kRelayout, L"left",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Align); }), {}},
    {"text-indent", CssProperty::TextIndent, kInherited, kRelayout, L"0",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.TextIndent); }), {}},
    {"text-transform", CssProperty::TextTransform, kInherited, kRelayout, L"none", {}, {}},
    {"letter-spacing", CssProperty::LetterSpacing, kInherited, kRelayout, L"normal", {}, {}},
    {"word-spacing", CssProperty::WordSpacing, kInherited, kRelayout, L"normal", {}, {}},
    {"direction", CssProperty::Direction, kInherited, kRelayout, L"ltr", {}, {}},
    {"white-space", CssProperty::WhiteSpace, kInherited, kRelayout, L"normal",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Space); }), {}},
    {"visibility", CssProperty::Visibility, kInherited, kRepaint, L"visible",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.Visible); }), {}},
    {"cursor", CssProperty::Cursor, kInherited, kRepaint, L"auto",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.CursorShape); }), {}},
    {"list-style-type", CssProperty::ListStyleType, kInherited, kRelayout, L"disc",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.ListMarker); }), {}},
    {"list-style-position", CssProperty::ListStylePosition, kInherited, kRelayout, L"outside", {}, {}},
    {"list-style-image", CssProperty::ListStyleImage, kInherited, kRelayout, L"none", {}, {}},
    {"border-spacing", CssProperty::BorderSpacing, kInherited, kRelayout, L"0",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.SpacingX, s.Inherited.SpacingY); }), {}},
    {"border-collapse", CssProperty::BorderCollapse, kInherited, kRelayout, L"separate",
     FieldsOf([](auto& s) { return std::tie(s.Inherited.CollapseBorders); }), {}},

    {"display", CssProperty::Display, kNotInherited, kRelayout, L"inline",
     FieldsOf([](auto& s) { return std::tie(s.Box.Show); }), {}},
    {"position", CssProperty::Position, kNotInherited, kRelayout, L"static",
     FieldsOf([](auto& s) { return std::tie(s.Box.Place); }), {}},
    {"top", CssProperty::Top, kNotInherited, kRelayout, L"auto", FieldsOf([](auto& s) { return std::tie(s.Box.Offsets.Top); }), {}},
    {"right", CssProperty::Right, kNotInherited, kRelayout, L"auto", FieldsOf([](auto& s) { return std::tie(s.Box.Offsets.Right); }), {}},
    {"bottom", CssProperty::Bottom, kNotInherited, kRelayout, L"auto", FieldsOf([](auto& s) { return std::tie(s.Box.Offsets.Bottom); }), {}},
    {"left", CssProperty::Left, kNotInherited, kRelayout, L"auto", FieldsOf([](auto& s) { return std::tie(s.Box.Offsets.Left); }), {}},
    {"width", CssProperty::Width, kNotInherited, kRelayout, L"auto", FieldsOf([](auto& s) { return std::tie(s.Box.Width); }), {}},
    {"height", CssProperty::Height, kNotInherited, kRelayout, L"auto", FieldsOf([](auto& s) { return std::tie(s.Box.Height); }), {}},
    {"min-width", CssProperty::MinWidth, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.MinWidth); }), {}},
    {"min-height", CssProperty::MinHeight, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.MinHeight); }), {}},
    {"max-width", CssProperty::MaxWidth, kNotInherited, kRelayout, L"none", FieldsOf([](auto& s) { return std::tie(s.Box.MaxWidth); }), {}},
    {"max-height", CssProperty::MaxHeight, kNotInherited, kRelayout, L"none", FieldsOf([](auto& s) { return std::tie(s.Box.MaxHeight); }), {}},
    {"margin-top", CssProperty::MarginTop, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Margin.Top); }), {}},
    {"margin-right", CssProperty::MarginRight, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Margin.Right); }), {}},
    {"margin-bottom", CssProperty::MarginBottom, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Margin.Bottom); }), {}},
    {"margin-left", CssProperty::MarginLeft, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Margin.Left); }), {}},
    {"padding-top", CssProperty::PaddingTop, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Padding.Top); }), {}},
    {"padding-right", CssProperty::PaddingRight, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Padding.Right); }), {}},
    {"padding-bottom", CssProperty::PaddingBottom, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Padding.Bottom); }), {}},
    {"padding-left", CssProperty::PaddingLeft, kNotInherited, kRelayout, L"0", FieldsOf([](auto& s) { return std::tie(s.Box.Padding.Left); }), {}},
    // CSS starts border widths at medium; the engine at 0, so that a style alone draws nothing.
    {"border-top-width", CssProperty::BorderTopWidth, kNotInherited, kRelayout, L"0",
     FieldsOf([](auto& s) { return std::tie(s.Box.BorderWidth.Top); }), {}},
    {"border-right-width", CssProperty::BorderRightWidth, kNotInherited, kRelayout, L"0",
     FieldsOf([](auto& s) { return std::tie(s.Box.BorderWidth.Right); }), {}},
    {"border-bottom-width", CssProperty::BorderBottomWidth, kNotInherited, kRelayout, L"0",
     FieldsOf([](auto& s) { return std::tie(s.Box.BorderWidth.Bottom); }), {}},
    {"border-left-width", CssProperty::BorderLeftWidth, kNotInherited, kRelayout, L"0",
     FieldsOf([](auto& s) { return std::tie(s.Box.BorderWidth.Left); }), {}},
    {"border-top-style", CssProperty::BorderTopStyle, kNotInherited, kRepaint, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderStyles.Top); }), {}},
    {"border-right-style", CssProperty::BorderRightStyle, kNotInherited, kRepaint, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderStyles.Right); }), {}},
    {"border-bottom-style", CssProperty::BorderBottomStyle, kNotInherited, kRepaint, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderStyles.Bottom); }), {}},
    {"border-left-style", CssProperty::BorderLeftStyle, kNotInherited, kRepaint, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderStyles.Left); }), {}},
    {"border-top-color", CssProperty::BorderTopColor, kNotInherited, kRepaint, L"currentcolor",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderColors.Top); }), {}},
    {"border-right-color", CssProperty::BorderRightColor, kNotInherited, kRepaint, L"currentcolor",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderColors.Right); }), {}},
    {"border-bottom-color", CssProperty::BorderBottomColor, kNotInherited, kRepaint, L"currentcolor",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderColors.Bottom); }), {}},
    {"border-left-color", CssProperty::BorderLeftColor, kNotInherited, kRepaint, L"currentcolor",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BorderColors.Left); }), {}},
    {"overflow", CssProperty::Overflow, kNotInherited, kRelayout, L"visible",
     FieldsOf([](auto& s) { return std::tie(s.Box.OverflowX, s.Box.OverflowY); }), {}},
    {"overflow-x", CssProperty::OverflowX, kNotInherited, kRelayout, L"visible",
     FieldsOf([](auto& s) { return std::tie(s.Box.OverflowX); }), {}},
    {"overflow-y", CssProperty::OverflowY, kNotInherited, kRelayout, L"visible",
     FieldsOf([](auto& s) { return std::tie(s.Box.OverflowY); }), {}},
    {"vertical-align", CssProperty::VerticalAlign, kNotInherited, kRelayout, L"baseline",
     FieldsOf([](auto& s) { return std::tie(s.Box.VAlign); }), {}},
    {"float", CssProperty::Float, kNotInherited, kRelayout, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Box.FloatLeft, s.Box.FloatRight); }), {}},
    {"clear", CssProperty::Clear, kNotInherited, kRelayout, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Box.ClearLeft, s.Box.ClearRight); }), {}},
    {"z-index", CssProperty::ZIndex, kNotInherited, kRelayout, L"auto", FieldsOf([](auto& s) { return std::tie(s.Box.ZIndex); }), {}},
    // The fill with its gradient: two colours are a vertical gradient, as older pages write it,
    // and a linear-gradient image writes the same fields.
    {"background-color", CssProperty::BackgroundColor, kNotInherited, kRepaint, L"transparent",
     FieldsOf([](auto& s) { return std::tie(s.Paint.Background, s.Paint.GradientEnd, s.Paint.GradientVertical); }), {}},
    // Pictures are decoded when boxes are made: a new one makes the box again.
    {"background-image", CssProperty::BackgroundImage, kNotInherited, kRelayout, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BackgroundImage); }), {}},
    {"background-repeat", CssProperty::BackgroundRepeat, kNotInherited, kRepaint, L"repeat",
     FieldsOf([](auto& s) { return std::tie(s.Paint.Repeat); }), {}},
    {"background-position", CssProperty::BackgroundPosition, kNotInherited, kRepaint, L"0 0",
     FieldsOf([](auto& s) { return std::tie(s.Paint.BackgroundX, s.Paint.BackgroundY); }), {}},
    {"opacity", CssProperty::Opacity, kNotInherited, kRepaint, L"1", FieldsOf([](auto& s) { return std::tie(s.Paint.Opacity); }), {}},
    // The engine's own: a picture drawn over the content.
    {"foreground-image", CssProperty::ForegroundImage, kNotInherited, kRepaint, L"none",
     FieldsOf([](auto& s) { return std::tie(s.Paint.ForegroundImage); }), {}},
    {"text-overflow", CssProperty::TextOverflow, kNotInherited, kRelayout, L"clip",
     FieldsOf([](auto& s) { return std::tie(s.Box.OverflowText); }), {}},
    {"table-layout", CssProperty::TableLayout, kNotInherited, kRelayout, L"auto",
     FieldsOf([](auto& s) { return std::tie(s.Box.ColumnLayout); }), {}},

    {"font", CssProperty::Font, kInherited, kRelayout, L"", {}, kFont},
    {"list-style", CssProperty::ListStyle, kInherited, kRelayout, L"", {}, kListStyle},
    {"margin", CssProperty::Margin, kNotInherited, kRelayout, L"", {}, kMargin},
    {"padding", CssProperty::Padding, kNotInherited, kRelayout, L"", {}, kPadding},
    {"border", CssProperty::Border, kNotInherited, kRelayout, L"", {}, kBorder},
    {"border-width", CssProperty::BorderWidth, kNotInherited, kRelayout, L"", {}, kBorderWidth},
    {"border-style", CssProperty::BorderStyle, kNotInherited, kRelayout, L"", {}, kBorderStyle},
    {"border-color", CssProperty::BorderColor, kNotInherited, kRelayout, L"", {}, kBorderColor},
    {"border-top", CssProperty::BorderTop, kNotInherited, kRelayout, L"", {}, kBorderTop},
    {"border-right", CssProperty::BorderRight, kNotInherited, kRelayout, L"", {}, kBorderRight},
    {"border-bottom", CssProperty::BorderBottom, kNotInherited, kRelayout, L"", {}, kBorderBottom},
    {"border-left", CssProperty::BorderLeft, kNotInherited, kRelayout, L"", {}, kBorderLeft},
    {"background", CssProperty::Background, kNotInherited, kRelayout, L"", {}, kBackground},
};

} // namespace

std::span<const PropertyInfo> PropertyTable::All()
{
    return kTable;
}

const PropertyInfo* PropertyTable::Find(std::string_view name)
{
    static const std::unordered_map<std::string_view, const PropertyInfo*> byName = [] {
        std::unordered_map<std::string_view, const PropertyInfo*> map;
        for (const PropertyInfo& property : kTable)
            map.emplace(property.Name, &property);
        return map;
    }();
    auto found = byName.find(name);
    return found == byName.end() ? nullptr : found->second;
}

const PropertyInfo& PropertyTable::Of(CssProperty id)
{
    static const auto byId = [] {
        std::array<const PropertyInfo*, static_cast<std::size_t>(CssProperty::Background) + 1> ids{};
        for (const PropertyInfo& property : kTable)
            ids[static_cast<std::size_t>(property.Id)] = &property;
        return ids;
    }();
    static const PropertyInfo kUnknown;
    const PropertyInfo* found = byId[static_cast<std::size_t>(id)];
    return found != nullptr ? *found : kUnknown;
}

} // namespace Engine
