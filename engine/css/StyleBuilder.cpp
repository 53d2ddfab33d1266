#include "engine/css/StyleBuilder.h"

#include "engine/css/CssValue.h"
#include "engine/css/Declaration.h"
#include "engine/css/PropertyTable.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace Engine {

namespace {

CssProperty IdOf(const Declaration& declaration)
{
    if (declaration.PropertyId < 0) {
        const PropertyInfo* property = PropertyTable::Find(declaration.Property);
        declaration.PropertyId = static_cast<short>(property != nullptr ? property->Id : CssProperty::Unknown);
    }
    return static_cast<CssProperty>(declaration.PropertyId);
}

template <typename Enum, std::size_t N>
bool Keyword(const CssValue& value, const std::pair<const wchar_t*, Enum> (&table)[N], Enum& out)
{
    if (value.Tokens.empty() || value.Tokens[0].Type != CssToken::Kind::Ident)
        return false;
    for (const auto& [name, item] : table) {
        if (value.Tokens[0].Text == name) {
            out = item;
            return true;
        }
    }
    return false;
}

constexpr std::pair<const wchar_t*, Display> kDisplays[] = {
    {L"none", Display::None}, {L"block", Display::Block}, {L"inline", Display::Inline},
    {L"inline-block", Display::InlineBlock}, {L"list-item", Display::ListItem}, {L"table", Display::Table},
    {L"inline-table", Display::InlineTable}, {L"table-row-group", Display::TableRowGroup},
    {L"table-header-group", Display::TableHeaderGroup}, {L"table-footer-group", Display::TableFooterGroup},
    {L"table-row", Display::TableRow}, {L"table-cell", Display::TableCell}, {L"table-column", Display::TableColumn},
    {L"table-column-group", Display::TableColumnGroup}, {L"table-caption", Display::TableCaption}};
constexpr std::pair<const wchar_t*, Position> kPositions[] = {
    {L"static", Position::Static}, {L"relative", Position::Relative}, {L"absolute", Position::Absolute},
    {L"fixed", Position::Fixed}, {L"sticky", Position::Sticky}};
constexpr std::pair<const wchar_t*, Overflow> kOverflows[] = {
    {L"visible", Overflow::Visible}, {L"hidden", Overflow::Hidden}, {L"auto", Overflow::Auto},
    {L"scroll", Overflow::Scroll}, {L"scroll-indicator", Overflow::Auto}, {L"hidden-scroll", Overflow::Auto}};
constexpr std::pair<const wchar_t*, WhiteSpace> kSpaces[] = {
    {L"normal", WhiteSpace::Normal}, {L"nowrap", WhiteSpace::NoWrap}, {L"pre", WhiteSpace::Pre},
    {L"pre-wrap", WhiteSpace::PreWrap}, {L"pre-line", WhiteSpace::PreLine}};
constexpr std::pair<const wchar_t*, TextAlign> kAligns[] = {
    {L"left", TextAlign::Left}, {L"right", TextAlign::Right}, {L"center", TextAlign::Center},
    {L"justify", TextAlign::Justify}, {L"start", TextAlign::Left}, {L"end", TextAlign::Right}};
constexpr std::pair<const wchar_t*, VerticalAlign> kVAligns[] = {
    {L"baseline", VerticalAlign::Baseline}, {L"middle", VerticalAlign::Middle}, {L"center", VerticalAlign::Middle},
    {L"top", VerticalAlign::Top}, {L"bottom", VerticalAlign::Bottom}, {L"text-top", VerticalAlign::TextTop},
    {L"text-bottom", VerticalAlign::TextBottom}, {L"sub", VerticalAlign::Sub}, {L"super", VerticalAlign::Super}};
constexpr std::pair<const wchar_t*, Visibility> kVisibilities[] = {
    {L"visible", Visibility::Visible}, {L"hidden", Visibility::Hidden}, {L"collapse", Visibility::Collapse}};
constexpr std::pair<const wchar_t*, Cursor> kCursors[] = {
    {L"auto", Cursor::Auto}, {L"default", Cursor::Default}, {L"pointer", Cursor::Pointer}, {L"hand", Cursor::Pointer},
    {L"text", Cursor::Text}, {L"wait", Cursor::Wait}, {L"move", Cursor::Move}, {L"help", Cursor::Help},
    {L"not-allowed", Cursor::NotAllowed}, {L"crosshair", Cursor::Crosshair}, {L"e-resize", Cursor::ResizeEW},
    {L"w-resize", Cursor::ResizeEW}, {L"col-resize", Cursor::ResizeEW}, {L"n-resize", Cursor::ResizeNS},
    {L"s-resize", Cursor::ResizeNS}, {L"row-resize", Cursor::ResizeNS}};
constexpr std::pair<const wchar_t*, ListStyle> kListStyles[] = {
    {L"none", ListStyle::None}, {L"disc", ListStyle::Disc}, {L"circle", ListStyle::Circle},
    {L"square", ListStyle::Square}, {L"decimal", ListStyle::Decimal}};
constexpr std::pair<const wchar_t*, BorderStyle> kBorderStyles[] = {
    {L"none", BorderStyle::None}, {L"hidden", BorderStyle::None}, {L"solid", BorderStyle::Solid},
    {L"dotted", BorderStyle::Dotted}, {L"dashed", BorderStyle::Dashed}, {L"double", BorderStyle::Double},
    {L"groove", BorderStyle::Groove}, {L"ridge", BorderStyle::Ridge}, {L"inset", BorderStyle::Inset},
    {L"outset", BorderStyle::Outset}};
constexpr std::pair<const wchar_t*, TextOverflow> kTextOverflows[] = {
    {L"clip", TextOverflow::Clip}, {L"ellipsis", TextOverflow::Ellipsis}};
constexpr std::pair<const wchar_t*, TableLayoutMode> kTableLayouts[] = {
    {L"auto", TableLayoutMode::Auto}, {L"fixed", TableLayoutMode::Fixed}};
constexpr std::pair<const wchar_t*, BackgroundRepeat> kRepeats[] = {
    {L"repeat", BackgroundRepeat::Repeat}, {L"repeat-x", BackgroundRepeat::RepeatX},
    {L"repeat-y", BackgroundRepeat::RepeatY}, {L"no-repeat", BackgroundRepeat::NoRepeat}};

// Lengths beyond this are absurd for a window; clamping keeps the integer arithmetic of layout safe.
constexpr float kMaxLength = 1e6f;
// A percentage of a huge base is held to the range layout keeps sizes in, well inside int's.
constexpr double kMaxResolved = 1 << 24;

class Context {
public:
    Context(float scale, float fontSize, float parentFontSize, int xHeight)
        : m_scale(scale), m_fontSize(fontSize), m_parentFontSize(parentFontSize), m_xHeight(xHeight) {}

    // A number in a length's place: unitless numbers are pixels, as older pages write them.
    [[nodiscard]] bool ToLength(const CssToken& token, Length& out, bool forFontSize = false) const
    {
        if (token.Type == CssToken::Kind::Ident && token.Text == L"auto") {
            out = Length::Auto();
            return true;
        }
        if (token.Type != CssToken::Kind::Number)
            return false;
        float em = forFontSize ? m_parentFontSize : m_fontSize;
        float px = 0;
        switch (token.Unit) {
        case CssUnit::Percent:
            if (forFontSize) {
                px = em * token.Number / 100;
                break;
            }
            out = {Length::Kind::Percent, std::clamp(token.Number, -kMaxLength, kMaxLength)};
            return true;
        case CssUnit::None: case CssUnit::Px: case CssUnit::Dip: px = token.Number * m_scale; break;
        case CssUnit::Pt: px = token.Number * 96 / 72 * m_scale; break;
        case CssUnit::Pc: px = token.Number * 16 * m_scale; break;
        case CssUnit::In: px = token.Number * 96 * m_scale; break;
        case CssUnit::Cm: px = token.Number * 96 / 2.54f * m_scale; break;
        case CssUnit::Mm: px = token.Number * 96 / 25.4f * m_scale; break;
        case CssUnit::Em: px = token.Number * em; break;
        case CssUnit::Ex: px = token.Number * (forFontSize ? em / 2 : static_cast<float>(m_xHeight)); break;
        }
        out = Length::Px(std::clamp(px, -kMaxLength, kMaxLength));
        return true;
    }

    [[nodiscard]] int Scale(float px) const { return static_cast<int>(std::lround(px * m_scale)); }

private:
    float m_scale;
    float m_fontSize;
    float m_parentFontSize;
    int m_xHeight;
};

const CssValue& ParsedValue(const Declaration& declaration)
{
    if (!declaration.Parsed) {
        auto parsed = std::make_shared<CssValue>(CssValue::Parse(declaration.Value));
        for (CssToken& token : parsed->Tokens)
            token.Source = {};
        declaration.Parsed = std::move(parsed);
    }
    return *declaration.Parsed;
}

int FontWeight(const CssToken& token, int parentWeight)
{
    if (token.Type == CssToken::Kind::Number && token.Unit == CssUnit::None)
        return std::clamp(static_cast<int>(token.Number), 100, 900);
    if (token.Text == L"bold")
        return 700;
    if (token.Text == L"bolder")
        return std::min(900, parentWeight + 300);
    if (token.Text == L"lighter")
        return std::max(100, parentWeight - 300);
    return 400;
}

std::wstring FamilyList(const CssValue& value)
{
    std::wstring list;
    for (const CssToken& token : value.Tokens) {
        if (token.Type == CssToken::Kind::Comma) {
            list += L",";
        } else if (!token.Text.empty()) {
            if (!list.empty() && list.back() != L',')
                list += L" ";
            list += token.Text;
        }
    }
    return list;
}

int BorderWidth(const CssToken& token, const Context& context)
{
    if (token.Type == CssToken::Kind::Ident)
        return token.Text == L"thin" ? context.Scale(1) : token.Text == L"thick" ? context.Scale(5) : context.Scale(3);
    Length length;
    if (!context.ToLength(token, length) || length.IsPercent() || length.IsAuto())
        return 0;
    float px = std::max(0.0f, length.Value);
    // A hairline stays visible at any scale.
    return px > 0 && px < 1 ? 1 : static_cast<int>(std::lround(px));
}

} // namespace

int Length::Resolve(int base, int autoValue) const
{
    // Values are clamped far inside int's range when styles are built, so that rounding
    // half away from zero by hand is safe here and cheaper than the library's lround.
    auto round = [](double value) { return static_cast<int>(value < 0 ? value - 0.5 : value + 0.5); };
    switch (Type) {
    case Kind::Auto: return autoValue;
    case Kind::Percent: return round(std::clamp(static_cast<double>(base) * Value / 100.0, -kMaxResolved, kMaxResolved));
    case Kind::Px: return round(Value);
    }
    return 0;
}

// The initial values come from the property table, read as a page's declarations would be, so
// that `initial` and a root without declarations agree with what the table says.
const ComputedStyle& StyleBuilder::Initial()
{
    static const ComputedStyle initial = [] {
        static const std::vector<Declaration> declarations = [] {
            std::vector<Declaration> list;
            for (const PropertyInfo& property : PropertyTable::All()) {
                if (!property.Initial.empty() && property.Longhands.empty())
                    list.emplace_back(std::string(property.Name), std::wstring(property.Initial), false);
            }
            return list;
        }();
        std::vector<const Declaration*> winners;
        for (const Declaration& declaration : declarations)
            winners.push_back(&declaration);
        ComputedStyle style;
        // Border colours stay "currentcolor" here: each element's own text colour resolves them.
        StyleBuilder(96).Apply(winners, style, style);
        return style;
    }();
    return initial;
}

StyleBuilder::StyleBuilder(int dpi) : m_scale(dpi > 0 ? dpi / 96.0f : 1.0f)
{
    static const Declaration rootSize("font-size", std::wstring(PropertyTable::Of(CssProperty::FontSize).Initial), false);
    Length length;
    if (Context(m_scale, 0, 0, 0).ToLength(ParsedValue(rootSize).Tokens.at(0), length, true))
        m_rootFontSize = static_cast<int>(std::lround(length.Value));
}

ComputedStyle StyleBuilder::Build(const std::vector<const Declaration*>& winners, const ComputedStyle* parent) const
{
    ComputedStyle style = Initial();
    if (parent != nullptr) {
        style.Inherited = parent->Inherited;
        Apply(winners, *parent, style);
    } else {
        style.Inherited.Font.SizePx = m_rootFontSize;
        // The root inherits the initial values (CSS 2.1, 6.2.1).
        const ComputedStyle root = style;
        Apply(winners, root, style);
    }
    // A side whose style is none has no width (CSS 2.1, 8.5.3).
    for (Side side : kAllSides) {
        if (style.Paint.BorderStyles[side] == BorderStyle::None)
            style.Box.BorderWidth[side] = 0;
        if (style.Paint.BorderColors[side] == kCurrentColor)
            style.Paint.BorderColors[side] = style.Inherited.TextColor;
    }
    return style;
}

void StyleBuilder::Apply(const std::vector<const Declaration*>& winners, const ComputedStyle& from, ComputedStyle& style) const
{
    // The font first: em lengths everywhere else depend on its size.
    float parentSize = static_cast<float>(from.Inherited.Font.SizePx);
    float size = static_cast<float>(style.Inherited.Font.SizePx);
    for (const Declaration* d : winners) {
        if (IdOf(*d) != CssProperty::FontSize)
            continue;
        const CssValue& value = ParsedValue(*d);
        if (value.Tokens.empty())
            continue;
        const CssToken& token = value.Tokens[0];
        static constexpr std::pair<const wchar_t*, float> kSizes[] = {
            {L"xx-small", 9}, {L"x-small", 10}, {L"small", 13}, {L"medium", 16}, {L"large", 18},
            {L"x-large", 24}, {L"xx-large", 32}};
        Length length;
        if (value.Wide == CssWideKeyword::Inherit) {
            size = parentSize;
        } else if (value.Wide == CssWideKeyword::Initial) {
            size = static_cast<float>(m_rootFontSize);
        } else if (Context(m_scale, parentSize, parentSize, 0).ToLength(token, length, true) && !length.IsAuto()) {
            size = length.Value;
        } else if (token.Type == CssToken::Kind::Ident) {
            for (const auto& [name, px] : kSizes) {
                if (token.Text == name)
                    size = px * m_scale;
            }
            if (token.Text == L"smaller")
                size = parentSize / 1.2f;
            if (token.Text == L"larger")
                size = parentSize * 1.2f;
        }
    }
    style.Inherited.Font.SizePx = std::clamp(static_cast<int>(std::lround(size)), 1, 2000);
    Context context(m_scale, static_cast<float>(style.Inherited.Font.SizePx), parentSize,
                    std::max(1, style.Inherited.Font.SizePx / 2));

    for (const Declaration* d : winners) {
        CssProperty prop = IdOf(*d);
        if (prop == CssProperty::Unknown || prop == CssProperty::FontSize)
            continue;
        const CssValue& value = ParsedValue(*d);
        if (value.Tokens.empty())
            continue;
        if (value.Wide != CssWideKeyword::None) {
            // Once for every property: the parent's computed value, or the initial one.
            if (const StyleFields& fields = PropertyTable::Of(prop).Fields; fields.Copy != nullptr)
                fields.Copy(style, value.Wide == CssWideKeyword::Inherit ? from : Initial());
            continue;
        }
        const CssToken& first = value.Tokens[0];
        Length length;
        auto lengthInto = [&](Length& target) {
            if (context.ToLength(first, length))
                target = length;
        };
        auto sideOf = [](CssProperty p, CssProperty base) { return static_cast<Side>(static_cast<int>(p) - static_cast<int>(base)); };
        switch (prop) {
        case CssProperty::Color:
            if (first.Type == CssToken::Kind::Color)
                style.Inherited.TextColor = ColorOf(first);
            break;
        case CssProperty::FontFamily: style.Inherited.Font.Family = FamilyList(value); break;
        case CssProperty::FontWeight: style.Inherited.Font.Weight = FontWeight(first, from.Inherited.Font.Weight); break;
        case CssProperty::FontStyle: style.Inherited.Font.Italic = first.Text == L"italic" || first.Text == L"oblique"; break;
        case CssProperty::TextDecoration:
            style.Inherited.Font.Underline = false;
            style.Inherited.Font.Strike = false;
            for (const CssToken& token : value.Tokens) {
                style.Inherited.Font.Underline |= token.Text == L"underline";
                style.Inherited.Font.Strike |= token.Text == L"line-through";
            }
            break;
        case CssProperty::LineHeight:
            if (first.Type == CssToken::Kind::Number && first.Unit == CssUnit::None) {
                style.Inherited.LineHeightFactor = std::clamp(first.Number, 0.0f, 100.0f);
                style.Inherited.LineHeight = -1;
            } else if (context.ToLength(first, length) && !length.IsAuto()) {
                style.Inherited.LineHeight = std::max(0, length.Resolve(style.Inherited.Font.SizePx));
                style.Inherited.LineHeightFactor = 0;
            } else if (first.Text == L"normal") {
                style.Inherited.LineHeight = -1;
                style.Inherited.LineHeightFactor = 0;
            }
            break;
        case CssProperty::TextAlign: Keyword(value, kAligns, style.Inherited.Align); break;
        case CssProperty::WhiteSpace: Keyword(value, kSpaces, style.Inherited.Space); break;
        case CssProperty::Visibility: Keyword(value, kVisibilities, style.Inherited.Visible); break;
        case CssProperty::Cursor: Keyword(value, kCursors, style.Inherited.CursorShape); break;
        case CssProperty::ListStyleType: Keyword(value, kListStyles, style.Inherited.ListMarker); break;
        case CssProperty::BorderSpacing:
            if (context.ToLength(first, length) && !length.IsPercent() && !length.IsAuto()) {
                style.Inherited.SpacingX = style.Inherited.SpacingY = std::max(0, length.Resolve(0));
                if (value.Tokens.size() > 1 && context.ToLength(value.Tokens[1], length) && !length.IsAuto())
                    style.Inherited.SpacingY = std::max(0, length.Resolve(0));
            }
            break;
        case CssProperty::BorderCollapse: style.Inherited.CollapseBorders = first.Text == L"collapse"; break;
        case CssProperty::TextIndent:
            if (context.ToLength(first, length) && !length.IsAuto())
                style.Inherited.TextIndent = length;
            break;
        case CssProperty::Display: Keyword(value, kDisplays, style.Box.Show); break;
        case CssProperty::Position: Keyword(value, kPositions, style.Box.Place); break;
        case CssProperty::Top: case CssProperty::Right: case CssProperty::Bottom: case CssProperty::Left: lengthInto(style.Box.Offsets[sideOf(prop, CssProperty::Top)]); break;
        case CssProperty::Width: lengthInto(style.Box.Width); break;
        case CssProperty::Height: lengthInto(style.Box.Height); break;
        case CssProperty::MinWidth: lengthInto(style.Box.MinWidth); break;
        case CssProperty::MinHeight: lengthInto(style.Box.MinHeight); break;
        case CssProperty::MaxWidth: if (first.Text == L"none") style.Box.MaxWidth = Length::Auto(); else lengthInto(style.Box.MaxWidth); break;
        case CssProperty::MaxHeight: if (first.Text == L"none") style.Box.MaxHeight = Length::Auto(); else lengthInto(style.Box.MaxHeight); break;
        case CssProperty::MarginTop: case CssProperty::MarginRight: case CssProperty::MarginBottom: case CssProperty::MarginLeft:
            lengthInto(style.Box.Margin[sideOf(prop, CssProperty::MarginTop)]);
            break;
        case CssProperty::PaddingTop: case CssProperty::PaddingRight: case CssProperty::PaddingBottom: case CssProperty::PaddingLeft:
            if (context.ToLength(first, length) && !length.IsAuto())
                style.Box.Padding[sideOf(prop, CssProperty::PaddingTop)] = length.Value < 0 ? Length::Px(0) : length;
            break;
        case CssProperty::BorderTopWidth: case CssProperty::BorderRightWidth: case CssProperty::BorderBottomWidth: case CssProperty::BorderLeftWidth:
            style.Box.BorderWidth[sideOf(prop, CssProperty::BorderTopWidth)] = BorderWidth(first, context);
            break;
        case CssProperty::BorderTopStyle: case CssProperty::BorderRightStyle: case CssProperty::BorderBottomStyle: case CssProperty::BorderLeftStyle:
            Keyword(value, kBorderStyles, style.Paint.BorderStyles[sideOf(prop, CssProperty::BorderTopStyle)]);
            break;
        case CssProperty::BorderTopColor: case CssProperty::BorderRightColor: case CssProperty::BorderBottomColor: case CssProperty::BorderLeftColor:
            if (first.Type == CssToken::Kind::Color)
                style.Paint.BorderColors[sideOf(prop, CssProperty::BorderTopColor)] = ColorOf(first);
            else if (first.Text == L"currentcolor")
                style.Paint.BorderColors[sideOf(prop, CssProperty::BorderTopColor)] = kCurrentColor;
            break;
        case CssProperty::Overflow:
            Keyword(value, kOverflows, style.Box.OverflowX);
            style.Box.OverflowY = style.Box.OverflowX;
            break;
        case CssProperty::OverflowX: Keyword(value, kOverflows, style.Box.OverflowX); break;
        case CssProperty::OverflowY: Keyword(value, kOverflows, style.Box.OverflowY); break;
        case CssProperty::VerticalAlign: Keyword(value, kVAligns, style.Box.VAlign); break;
        case CssProperty::TextOverflow: Keyword(value, kTextOverflows, style.Box.OverflowText); break;
        case CssProperty::TableLayout: Keyword(value, kTableLayouts, style.Box.ColumnLayout); break;
        case CssProperty::Float:
            style.Box.FloatLeft = first.Text == L"left";
            style.Box.FloatRight = first.Text == L"right";
            break;
        case CssProperty::Clear:
            style.Box.ClearLeft = first.Text == L"left" || first.Text == L"both";
            style.Box.ClearRight = first.Text == L"right" || first.Text == L"both";
            break;
        case CssProperty::ZIndex:
            if (first.Type == CssToken::Kind::Number)
                style.Box.ZIndex = static_cast<int>(first.Number);
            else if (first.Text == L"auto")
                style.Box.ZIndex = 0;
            break;
        case CssProperty::BackgroundColor:
            // Two colours make a vertical gradient, as older pages write it.
            if (first.Type == CssToken::Kind::Color) {
                style.Paint.Background = ColorOf(first);
                if (value.Tokens.size() >= 2 && value.Tokens.back().Type == CssToken::Kind::Color)
                    style.Paint.GradientEnd = ColorOf(value.Tokens.back());
            }
            break;
        case CssProperty::BackgroundImage:
            if (first.Type == CssToken::Kind::Url) {
                style.Paint.BackgroundImage = first.Text;
            } else if (first.Type == CssToken::Kind::Function && first.Text == L"linear-gradient") {
                std::vector<Color> colors;
                bool horizontal = false;
                for (const CssToken& arg : first.Args) {
                    if (arg.Type == CssToken::Kind::Color)
                        colors.push_back(ColorOf(arg));
                    else if (arg.Type == CssToken::Kind::Ident && (arg.Text == L"right" || arg.Text == L"left"))
                        horizontal = true;
                }
                if (colors.size() >= 2) {
                    style.Paint.Background = colors.front();
                    style.Paint.GradientEnd = colors.back();
                    style.Paint.GradientVertical = !horizontal;
                }
            } else {
                style.Paint.BackgroundImage.clear();
            }
            break;
        case CssProperty::BackgroundRepeat: Keyword(value, kRepeats, style.Paint.Repeat); break;
        case CssProperty::BackgroundPosition:
            for (std::size_t i = 0; i < value.Tokens.size() && i < 2; ++i) {
                Length& target = i == 0 ? style.Paint.BackgroundX : style.Paint.BackgroundY;
                const CssToken& token = value.Tokens[i];
                if (token.Text == L"center")
                    target = {Length::Kind::Percent, 50};
                else if (token.Text == L"right" || token.Text == L"bottom")
                    target = {Length::Kind::Percent, 100};
                else if (token.Text == L"left" || token.Text == L"top")
                    target = Length::Px(0);
                else if (context.ToLength(token, length) && !length.IsAuto())
                    target = length;
            }
            break;
        case CssProperty::Opacity:
            if (first.Type == CssToken::Kind::Number)
                style.Paint.Opacity = std::clamp(first.Number, 0.0f, 1.0f);
            break;
        case CssProperty::ForegroundImage:
            style.Paint.ForegroundImage = first.Type == CssToken::Kind::Url ? first.Text : std::wstring();
            break;
        default: break;
        }
    }
}

StyleChange Compare(const ComputedStyle* before, const ComputedStyle& after)
{
    if (before == nullptr)
        return StyleChange::Relayout;
    if (before->Inherited == after.Inherited && before->Box == after.Box && before->Paint == after.Paint)
        return StyleChange::None;
    StyleChange change = StyleChange::None;
    for (const PropertyInfo& property : PropertyTable::All()) {
        if (property.Fields.Same == nullptr || property.Fields.Same(*before, after))
            continue;
        if (property.Effect == StyleChange::Relayout)
            return StyleChange::Relayout;
        change = StyleChange::Repaint;
    }
    // A difference that no property names: safest laid out again.
    return change == StyleChange::None ? StyleChange::Relayout : change;
}

} // namespace Engine
