#include "engine/css/Shorthands.h"

#include "engine/css/CssValue.h"
#include "engine/css/PropertyTable.h"

#include <array>

namespace Engine {

namespace {

constexpr std::array<const char*, 4> kSides = {"top", "right", "bottom", "left"};

using Tokens = std::vector<CssToken>;

std::wstring Join(const Tokens& tokens, std::size_t from, std::size_t to)
{
    std::wstring text;
    for (std::size_t i = from; i < to && i < tokens.size(); ++i) {
        if (!text.empty() && tokens[i].Type != CssToken::Kind::Comma)
            text.push_back(L' ');
        text.append(tokens[i].Source);
    }
    return text;
}

bool IsBorderStyle(const CssToken& token)
{
    static constexpr const wchar_t* kStyles[] = {L"none",  L"hidden", L"solid",  L"dotted", L"dashed",
                                                 L"double", L"groove", L"ridge", L"inset",  L"outset"};
    if (token.Type != CssToken::Kind::Ident)
        return false;
    for (const wchar_t* style : kStyles) {
        if (token.Text == style)
            return true;
    }
    return false;
}

bool IsBorderWidth(const CssToken& token)
{
    return token.Type == CssToken::Kind::Number ||
           (token.Type == CssToken::Kind::Ident &&
            (token.Text == L"thin" || token.Text == L"medium" || token.Text == L"thick"));
}

class Expander {
public:
    Expander(const Declaration& shorthand, std::vector<Declaration>& out) : m_shorthand(shorthand), m_out(out) {}

    void Add(std::string property, std::wstring value)
    {
        m_out.push_back({std::move(property), std::move(value), m_shorthand.Important});
    }

    // 1 to 4 values: top, right, bottom, left as CSS repeats them.
    void Boxed(const std::string& prefix, const std::string& suffix, const Tokens& tokens)
    {
        std::vector<std::wstring> values;
        for (const CssToken& token : tokens)
            values.emplace_back(token.Source);
        if (values.empty() || values.size() > 4)
            return;
        static constexpr int kPick[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
        for (int side = 0; side < 4; ++side)
            Add(prefix + kSides[side] + suffix, values[kPick[values.size() - 1][side]]);
    }

    void Border(const Tokens& tokens, int onlySide)
    {
        std::wstring width = L"medium", style = L"none", color = L"currentcolor";
        for (const CssToken& token : tokens) {
            if (IsBorderStyle(token))
                style = token.Source;
            else if (IsBorderWidth(token))
                width = token.Source;
            else
                color = token.Source;
        }
        for (int side = 0; side < 4; ++side) {
            if (onlySide >= 0 && side != onlySide)
                continue;
            std::string name = std::string("border-") + kSides[side];
            Add(name + "-width", width);
            Add(name + "-style", style);
            Add(name + "-color", color);
        }
    }

    void Background(const Tokens& tokens)
    {
        std::wstring color = L"transparent", image = L"none", repeat = L"repeat", position;
        for (const CssToken& token : tokens) {
            if (token.Type == CssToken::Kind::Color)
                color = token.Source;
            else if (token.Type == CssToken::Kind::Url || token.Type == CssToken::Kind::Function)
                image = token.Source;
            else if (token.Type == CssToken::Kind::Ident &&
                     (token.Text == L"repeat" || token.Text == L"repeat-x" || token.Text == L"repeat-y" ||
                      token.Text == L"no-repeat"))
                repeat = token.Source;
            else if (token.Type == CssToken::Kind::Ident && token.Text == L"none")
                image = L"none";
            else
                position += (position.empty() ? L"" : L" ") + std::wstring(token.Source);
        }
        Add("background-color", color);
        Add("background-image", image);
        Add("background-repeat", repeat);
        Add("background-position", position.empty() ? L"0 0" : position);
    }

    void Font(const Tokens& tokens)
    {
        std::wstring style = L"normal", variant = L"normal", weight = L"normal", lineHeight = L"normal";
        std::size_t at = 0;
        for (; at < tokens.size(); ++at) {
            const CssToken& token = tokens[at];
            if (token.Type == CssToken::Kind::Ident && (token.Text == L"italic" || token.Text == L"oblique"))
                style = token.Source;
            else if (token.Type == CssToken::Kind::Ident && token.Text == L"small-caps")
                variant = token.Source;
            else if ((token.Type == CssToken::Kind::Ident &&
                      (token.Text == L"bold" || token.Text == L"bolder" || token.Text == L"lighter")) ||
                     (token.Type == CssToken::Kind::Number && token.Unit == CssUnit::None && token.Number >= 100 &&
                      at + 1 < tokens.size() && tokens[at + 1].Type == CssToken::Kind::Number))
                weight = token.Source;
            else if (token.Type == CssToken::Kind::Ident && token.Text == L"normal")
                continue;
            else
                break;
        }
        // The size is required; without it the shorthand says nothing.
        if (at >= tokens.size() ||
            !(tokens[at].Type == CssToken::Kind::Number ||
              (tokens[at].Type == CssToken::Kind::Ident && tokens[at].Text.find(L"small") != std::wstring::npos) ||
              (tokens[at].Type == CssToken::Kind::Ident && tokens[at].Text.find(L"large") != std::wstring::npos) ||
              (tokens[at].Type == CssToken::Kind::Ident && tokens[at].Text == L"medium")))
            return;
        std::wstring size(tokens[at].Source);
        ++at;
        if (at + 1 < tokens.size() && tokens[at].Type == CssToken::Kind::Slash) {
            lineHeight = tokens[at + 1].Source;
            at += 2;
        }
        Add("font-style", style);
        Add("font-variant", variant);
        Add("font-weight", weight);
        Add("font-size", size);
        Add("line-height", lineHeight);
        if (at < tokens.size())
            Add("font-family", Join(tokens, at, tokens.size()));
    }

    void ListStyle(const Tokens& tokens)
    {
        for (const CssToken& token : tokens) {
            if (token.Type == CssToken::Kind::Url)
                Add("list-style-image", std::wstring(token.Source));
            else if (token.Type == CssToken::Kind::Ident && (token.Text == L"inside" || token.Text == L"outside"))
                Add("list-style-position", std::wstring(token.Source));
            else
                Add("list-style-type", std::wstring(token.Source));
        }
    }

private:
    const Declaration& m_shorthand;
    std::vector<Declaration>& m_out;
};

} // namespace

bool Shorthands::IsShorthand(const std::string& property)
{
    const PropertyInfo* info = PropertyTable::Find(property);
    return info != nullptr && !info->Longhands.empty();
}

std::vector<Declaration> Shorthands::Expand(std::vector<Declaration> declarations)
{
    bool any = false;
    for (const Declaration& declaration : declarations)
        any = any || IsShorthand(declaration.Property);
    if (!any)
        return declarations;
    std::vector<Declaration> out;
    out.reserve(declarations.size() * 2);
    for (Declaration& declaration : declarations) {
        const std::string property = declaration.Property;
        out.push_back(std::move(declaration));
        if (!IsShorthand(property))
            continue;
        const Declaration& shorthand = out.back();
        std::wstring text = shorthand.Value;  // the tokens below view this copy
        CssValue value = CssValue::Parse(text);
        Declaration copy = shorthand;
        Expander expander(copy, out);
        const Tokens& tokens = value.Tokens;
        if (value.Wide != CssWideKeyword::None) {
            // "inherit" and "initial" go to every longhand as they stand.
            for (std::string_view longhand : PropertyTable::Find(property)->Longhands)
                expander.Add(std::string(longhand), copy.Value);
        } else if (property == "margin" || property == "padding")
            expander.Boxed(property + "-", "", tokens);
        else if (property == "border-width" || property == "border-style" || property == "border-color")
            expander.Boxed("border-", property.substr(6), tokens);
        else if (property == "border")
            expander.Border(tokens, -1);
        else if (property.rfind("border-", 0) == 0) {
            for (int side = 0; side < 4; ++side) {
                if (property.substr(7) == kSides[side])
                    expander.Border(tokens, side);
            }
        } else if (property == "background")
            expander.Background(tokens);
        else if (property == "font")
            expander.Font(tokens);
        else if (property == "list-style")
            expander.ListStyle(tokens);
    }
    return out;
}

} // namespace Engine
