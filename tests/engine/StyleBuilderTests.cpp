// Declarations as a style attribute has them, built into the computed values that layout and
// paint read: units at two DPIs, em and percent against the right font, clamps, keywords,
// shorthands and what a child takes from its parent.
#include "engine/css/CssParser.h"
#include "engine/css/StyleBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

using namespace Engine;

namespace {

std::string Show(const Length& length)
{
    if (length.IsAuto())
        return "auto";
    char text[32];
    std::snprintf(text, sizeof text, "%g%s", length.Value, length.IsPercent() ? "%" : "px");
    return text;
}

std::string Hex(Color color)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%08X", color);
    return text;
}

std::string Sides4(const Sides<int>& sides)
{
    return std::to_string(sides.Top) + " " + std::to_string(sides.Right) + " " + std::to_string(sides.Bottom) + " " +
           std::to_string(sides.Left);
}

// What each row reads from the computed style, by name.
const std::map<std::string, std::function<std::string(const ComputedStyle&)>> kFields = {
    {"font-size", [](const ComputedStyle& s) { return std::to_string(s.Inherited.Font.SizePx); }},
    {"font-weight", [](const ComputedStyle& s) { return std::to_string(s.Inherited.Font.Weight); }},
    {"font-family", [](const ComputedStyle& s) { return std::string(s.Inherited.Font.Family.begin(), s.Inherited.Font.Family.end()); }},
    {"decoration", [](const ComputedStyle& s) { return std::to_string(s.Inherited.Font.Underline) + std::to_string(s.Inherited.Font.Strike); }},
    {"line-height", [](const ComputedStyle& s) { return std::to_string(s.Inherited.LineHeight) + " x" + std::to_string(s.Inherited.LineHeightFactor).substr(0, 3); }},
    {"color", [](const ComputedStyle& s) { return Hex(s.Inherited.TextColor); }},
    {"spacing", [](const ComputedStyle& s) { return std::to_string(s.Inherited.SpacingX) + " " + std::to_string(s.Inherited.SpacingY); }},
    {"width", [](const ComputedStyle& s) { return Show(s.Box.Width); }},
    {"height", [](const ComputedStyle& s) { return Show(s.Box.Height); }},
    {"max-width", [](const ComputedStyle& s) { return Show(s.Box.MaxWidth); }},
    {"margin", [](const ComputedStyle& s) { return Show(s.Box.Margin.Top) + " " + Show(s.Box.Margin.Left); }},
    {"padding", [](const ComputedStyle& s) { return Show(s.Box.Padding.Top) + " " + Show(s.Box.Padding.Left); }},
    {"border-width", [](const ComputedStyle& s) { return Sides4(s.Box.BorderWidth); }},
    {"border-color", [](const ComputedStyle& s) { return Hex(s.Paint.BorderColors.Top) + " " + Hex(s.Paint.BorderColors.Left); }},
    {"display", [](const ComputedStyle& s) { return std::to_string(static_cast<int>(s.Box.Show)); }},
    {"overflow", [](const ComputedStyle& s) { return std::to_string(static_cast<int>(s.Box.OverflowX)) + std::to_string(static_cast<int>(s.Box.OverflowY)); }},
    {"z-index", [](const ComputedStyle& s) { return std::to_string(s.Box.ZIndex); }},
    {"background", [](const ComputedStyle& s) { return Hex(s.Paint.Background) + " " + Hex(s.Paint.GradientEnd) + (s.Paint.GradientVertical ? " v" : " h"); }},
    {"background-position", [](const ComputedStyle& s) { return Show(s.Paint.BackgroundX) + " " + Show(s.Paint.BackgroundY); }},
    {"opacity", [](const ComputedStyle& s) { return std::to_string(s.Paint.Opacity).substr(0, 3); }},
};

ComputedStyle Build(const std::wstring& declarations, int dpi, const ComputedStyle* parent)
{
    const std::vector<Declaration> parsed = CssParser::ParseDeclarations(declarations);
    std::vector<const Declaration*> winners;
    for (const Declaration& declaration : parsed)
        winners.push_back(&declaration);
    return StyleBuilder(dpi).Build(winners, parent);
}

TEST(EngineStyleBuilder, DeclarationsBuildTheirComputedValues)
{
    struct Case {
        const wchar_t* Parent;  // null: the element is the root
        const wchar_t* Style;
        int Dpi;
        const char* Field;
        const char* Expected;
    };
    const Case cases[] = {
        // Font size: absolute units scale with the DPI, relative ones follow the parent's size.
        {nullptr, L"", 96, "font-size", "12"},
        {nullptr, L"font-size: 12pt", 96, "font-size", "16"},
        {nullptr, L"font-size: 12pt", 144, "font-size", "24"},
        {L"font-size: 10px", L"font-size: 2em", 96, "font-size", "20"},
        {L"font-size: 10px", L"font-size: 150%", 96, "font-size", "15"},
        {L"font-size: 12px", L"font-size: larger", 96, "font-size", "14"},
        {nullptr, L"font-size: x-large", 192, "font-size", "48"},
        {L"font-size: 10px", L"font-size: inherit", 96, "font-size", "10"},
        {L"font-size: 30px", L"font-size: initial", 96, "font-size", "12"},
        {nullptr, L"font-size: 0", 96, "font-size", "1"},             // never a font of no size
        {nullptr, L"font-size: 999999999px", 96, "font-size", "2000"},
        {L"font-size: 30px", L"", 96, "font-size", "30"},              // inherited
        // Lengths: em and ex against the element's own font, unitless numbers as pixels.
        {L"font-size: 10px", L"font-size: 20px; width: 2em; height: 1ex", 96, "width", "40px"},
        {L"font-size: 10px", L"font-size: 20px; width: 2em; height: 1ex", 96, "height", "10px"},
        {nullptr, L"width: 50%; height: auto", 96, "width", "50%"},
        {nullptr, L"width: 17", 96, "width", "17px"},
        {nullptr, L"width: 1in", 192, "width", "192px"},
        {nullptr, L"width: 999999999px", 96, "width", "1e+06px"},          // clamped for layout's integers
        {nullptr, L"width: x", 96, "width", "auto"},                  // unreadable: the initial value stays
        {L"width: 30px", L"width: inherit", 96, "width", "30px"},     // not inherited, but taken when asked
        {L"width: 30px", L"", 96, "width", "auto"},
        {nullptr, L"max-width: 20px; max-width: none", 96, "max-width", "auto"},
        {nullptr, L"margin: -5px 0 0 1em", 96, "margin", "-5px 12px"},
        {nullptr, L"padding: -5px 3px", 96, "padding", "0px 3px"},     // padding is never negative
        // Borders: no style, no width; keywords; hairlines stay visible; the colour is the text's.
        {nullptr, L"border-width: 4px", 96, "border-width", "0 0 0 0"},
        {nullptr, L"border: 2px solid; border-left-style: none", 96, "border-width", "2 2 2 0"},
        {nullptr, L"border: thin solid; border-top-width: thick; border-left-width: medium", 96, "border-width", "5 1 1 3"},
        {nullptr, L"border: 0.3px solid", 96, "border-width", "1 1 1 1"},
        {nullptr, L"border: 2px solid", 144, "border-width", "3 3 3 3"},
        {nullptr, L"border: -2px solid", 96, "border-width", "0 0 0 0"},
        {nullptr, L"color: #00f; border: 1px solid; border-left-color: red", 96, "border-color", "#FF0000FF #FFFF0000"},
        // Keywords and numbers.
        {L"font-weight: 400", L"font-weight: bolder", 96, "font-weight", "700"},
        {L"font-weight: 400", L"font-weight: lighter", 96, "font-weight", "100"},
        {nullptr, L"font-weight: 950", 96, "font-weight", "900"},
        {nullptr, L"font-family: 'Tahoma', sans-serif", 96, "font-family", "Tahoma,sans-serif"},
        {nullptr, L"text-decoration: underline line-through", 96, "decoration", "11"},
        {nullptr, L"font-size: 10px; line-height: 150%", 96, "line-height", "15 x0.0"},
        {nullptr, L"line-height: 1.5", 96, "line-height", "-1 x1.5"},
        {nullptr, L"line-height: 20px; line-height: normal", 96, "line-height", "-1 x0.0"},
        {L"color: red", L"", 96, "color", "#FFFF0000"},
        {L"color: red", L"color: nonsense", 96, "color", "#FFFF0000"},
        {nullptr, L"border-spacing: 4px 6px", 96, "spacing", "4 6"},
        {nullptr, L"border-spacing: -3px", 96, "spacing", "0 0"},
        {nullptr, L"display: flex", 96, "display", "2"},               // unknown: stays inline
        {nullptr, L"overflow: scroll-indicator; overflow-x: hidden", 96, "overflow", "12"},
        {nullptr, L"z-index: 5; z-index: auto", 96, "z-index", "0"},
        {nullptr, L"opacity: 2", 96, "opacity", "1.0"},
        {nullptr, L"opacity: -1", 96, "opacity", "0.0"},
        // Backgrounds: two colours and a gradient function both give a gradient.
        {nullptr, L"background-color: red blue", 96, "background", "#FFFF0000 #FF0000FF v"},
        {nullptr, L"background-image: linear-gradient(to right, red, blue)", 96, "background", "#FFFF0000 #FF0000FF h"},
        {nullptr, L"background-position: center bottom", 96, "background-position", "50% 100%"},
        {nullptr, L"background-position: 3px right", 96, "background-position", "3px 100%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.Style)) << " at " << c.Dpi << " dpi"
                                        << (c.Parent ? " below " + testing::PrintToString(std::wstring(c.Parent)) : ""));
        const ComputedStyle parent = Build(c.Parent ? c.Parent : L"", c.Dpi, nullptr);
        EXPECT_EQ(c.Expected, kFields.at(c.Field)(Build(c.Style, c.Dpi, c.Parent ? &parent : nullptr)));
    }
}

} // namespace
