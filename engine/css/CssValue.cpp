#include "engine/css/CssValue.h"

#include <algorithm>
#include <cwctype>

namespace Engine {

namespace {

struct NamedColor {
    const wchar_t* Name;
    Color Value;
};

constexpr NamedColor kNamedColors[] = {
    {L"aqua", MakeColor(0, 255, 255)},        {L"black", MakeColor(0, 0, 0)},
    {L"blue", MakeColor(0, 0, 255)},          {L"fuchsia", MakeColor(255, 0, 255)},
    {L"gray", MakeColor(128, 128, 128)},      {L"grey", MakeColor(128, 128, 128)},
    {L"green", MakeColor(0, 128, 0)},         {L"lime", MakeColor(0, 255, 0)},
    {L"maroon", MakeColor(128, 0, 0)},        {L"navy", MakeColor(0, 0, 128)},
    {L"olive", MakeColor(128, 128, 0)},       {L"orange", MakeColor(255, 165, 0)},
    {L"purple", MakeColor(128, 0, 128)},      {L"red", MakeColor(255, 0, 0)},
    {L"silver", MakeColor(192, 192, 192)},    {L"teal", MakeColor(0, 128, 128)},
    {L"white", MakeColor(255, 255, 255)},     {L"yellow", MakeColor(255, 255, 0)},
    {L"transparent", kTransparent},           {L"darkgray", MakeColor(169, 169, 169)},
    {L"lightgray", MakeColor(211, 211, 211)}, {L"lightgrey", MakeColor(211, 211, 211)},
    {L"darkblue", MakeColor(0, 0, 139)},      {L"darkred", MakeColor(139, 0, 0)},
    {L"darkgreen", MakeColor(0, 100, 0)},     {L"steelblue", MakeColor(70, 130, 180)},
    {L"whitesmoke", MakeColor(245, 245, 245)}, {L"gainsboro", MakeColor(220, 220, 220)},
    {L"lightyellow", MakeColor(255, 255, 224)}, {L"lightblue", MakeColor(173, 216, 230)},
    {L"brown", MakeColor(165, 42, 42)},       {L"gold", MakeColor(255, 215, 0)},
};

// Names as CSS 2.1 gives them, with their GetSysColor indexes.
struct SystemColorName {
    const wchar_t* Name;
    int Index;
};

constexpr SystemColorName kSystemColors[] = {
    {L"activeborder", 10},      {L"activecaption", 2},       {L"appworkspace", 12},
    {L"background", 1},         {L"buttonface", 15},         {L"buttonhighlight", 20},
    {L"buttonshadow", 16},      {L"buttontext", 18},         {L"captiontext", 9},
    {L"graytext", 17},          {L"highlight", 13},          {L"highlighttext", 14},
    {L"inactiveborder", 11},    {L"inactivecaption", 3},     {L"inactivecaptiontext", 19},
    {L"infobackground", 24},    {L"infotext", 23},           {L"menu", 4},
    {L"menutext", 7},           {L"scrollbar", 0},           {L"threeddarkshadow", 21},
    {L"threedface", 15},        {L"threedhighlight", 20},    {L"threedlightshadow", 22},
    {L"threedshadow", 16},      {L"window", 5},              {L"windowframe", 6},
    {L"windowtext", 8},
};

Color ClassicSystemColor(int index)
{
    switch (index) {
    case 5: case 24: return index == 5 ? MakeColor(255, 255, 255) : MakeColor(255, 255, 225);
    case 8: case 7: case 9: case 18: case 23: return MakeColor(0, 0, 0);
    case 13: return MakeColor(0, 120, 215);
    case 14: return MakeColor(255, 255, 255);
    case 16: return MakeColor(160, 160, 160);
    case 17: return MakeColor(109, 109, 109);
    case 20: return MakeColor(255, 255, 255);
    case 21: return MakeColor(105, 105, 105);
    default: return MakeColor(240, 240, 240);
    }
}

SystemColorSource g_systemColors = ClassicSystemColor;

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

bool IsNameChar(wchar_t c)
{
    return std::iswalnum(c) || c == L'-' || c == L'_' || c >= 0x80;
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

std::wstring Lower(std::wstring_view text)
{
    std::wstring lower(text);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    return lower;
}

CssUnit UnitFromName(std::wstring_view name, bool& known)
{
    static constexpr std::pair<const wchar_t*, CssUnit> kUnits[] = {
        {L"px", CssUnit::Px}, {L"pt", CssUnit::Pt}, {L"pc", CssUnit::Pc}, {L"in", CssUnit::In},
        {L"cm", CssUnit::Cm}, {L"mm", CssUnit::Mm}, {L"em", CssUnit::Em}, {L"ex", CssUnit::Ex},
        {L"%", CssUnit::Percent}, {L"dip", CssUnit::Dip}};
    known = true;
    if (name.empty())
        return CssUnit::None;
    std::wstring lower = Lower(name);
    for (const auto& [unitName, unit] : kUnits) {
        if (lower == unitName)
            return unit;
    }
    known = false;
    return CssUnit::None;
}

bool HexColor(std::wstring_view hex, Color& color)
{
    if (hex.size() != 3 && hex.size() != 6)
        return false;
    unsigned digits[6] = {};
    for (std::size_t i = 0; i < hex.size(); ++i) {
        int d = HexDigit(hex[i]);
        if (d < 0)
            return false;
        digits[i] = static_cast<unsigned>(d);
    }
    if (hex.size() == 3)
        color = MakeColor(digits[0] * 17, digits[1] * 17, digits[2] * 17);
    else
        color = MakeColor(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
    return true;
}

unsigned Channel(const CssToken& token)
{
    float value = token.Unit == CssUnit::Percent ? token.Number * 255.0f / 100.0f : token.Number;
    return static_cast<unsigned>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

class Reader {
public:
    explicit Reader(std::wstring_view text) : m_text(text) {}

    std::vector<CssToken> ReadList(wchar_t close)
    {
        std::vector<CssToken> tokens;
        // Bounded: a value of a few kilobytes is already absurd.
        while (tokens.size() < 256) {
            while (m_at < m_text.size() && IsSpace(m_text[m_at]))
                ++m_at;
            if (m_at >= m_text.size())
                break;
            if (m_text[m_at] == close) {
                ++m_at;
                break;
            }
            tokens.push_back(ReadToken());
        }
        return tokens;
    }

private:
    CssToken ReadToken()
    {
        std::size_t start = m_at;
        CssToken token;
        wchar_t c = m_text[m_at];
        if (c == L',' || c == L'/') {
            token.Type = c == L',' ? CssToken::Kind::Comma : CssToken::Kind::Slash;
            ++m_at;
        } else if (c == L'"' || c == L'\'') {
            token.Type = CssToken::Kind::String;
            ++m_at;
            while (m_at < m_text.size() && m_text[m_at] != c)
                token.Text.push_back(m_text[m_at++]);
            if (m_at < m_text.size())
                ++m_at;
        } else if (c == L'#') {
            ++m_at;
            std::size_t end = m_at;
            while (end < m_text.size() && IsNameChar(m_text[end]))
                ++end;
            token.Type = HexColor(m_text.substr(m_at, end - m_at), token.ColorValue) ? CssToken::Kind::Color
                                                                                     : CssToken::Kind::Other;
            m_at = end;
        } else if (std::iswdigit(c) || ((c == L'-' || c == L'+' || c == L'.') && m_at + 1 < m_text.size() &&
                                        (std::iswdigit(m_text[m_at + 1]) || m_text[m_at + 1] == L'.'))) {
            ReadNumber(token);
        } else if (IsNameChar(c)) {
            std::size_t end = m_at;
            while (end < m_text.size() && IsNameChar(m_text[end]))
                ++end;
            token.Text = Lower(m_text.substr(m_at, end - m_at));
            m_at = end;
            if (m_at < m_text.size() && m_text[m_at] == L'(') {
                ++m_at;
                if (token.Text == L"url") {
                    ReadUrl(token);
                } else {
                    token.Type = CssToken::Kind::Function;
                    token.Args = ReadList(L')');
                    if (token.Text == L"rgb" || token.Text == L"rgba")
                        RgbColor(token);
                }
            } else {
                token.Type = CssToken::Kind::Ident;
                if (ParseNamedColor(token.Text, token.ColorValue)) {
                    token.Type = CssToken::Kind::Color;
                } else if (int index = SystemColorIndex(token.Text); index >= 0) {
                    token.Type = CssToken::Kind::Color;
                    token.SystemColor = index;
                }
            }
        } else {
            ++m_at;
        }
        token.Source = m_text.substr(start, m_at - start);
        return token;
    }

    void ReadNumber(CssToken& token)
    {
        std::size_t end = m_at;
        if (m_text[end] == L'-' || m_text[end] == L'+')
            ++end;
        while (end < m_text.size() && (std::iswdigit(m_text[end]) || m_text[end] == L'.'))
            ++end;
        std::wstring number(m_text.substr(m_at, end - m_at));
        token.Number = std::wcstof(number.c_str(), nullptr);
        if (!(token.Number > -1e7f && token.Number < 1e7f))  // also catches NaN
            token.Number = token.Number < 0 ? -1e7f : 1e7f;
        std::size_t unitEnd = end;
        if (unitEnd < m_text.size() && m_text[unitEnd] == L'%')
            ++unitEnd;
        else
            while (unitEnd < m_text.size() && std::iswalpha(m_text[unitEnd]))
                ++unitEnd;
        bool known = false;
        token.Unit = UnitFromName(m_text.substr(end, unitEnd - end), known);
        token.Type = known ? CssToken::Kind::Number : CssToken::Kind::Other;
        m_at = unitEnd;
    }

    void ReadUrl(CssToken& token)
    {
        token.Type = CssToken::Kind::Url;
        while (m_at < m_text.size() && IsSpace(m_text[m_at]))
            ++m_at;
        wchar_t quote = m_at < m_text.size() && (m_text[m_at] == L'"' || m_text[m_at] == L'\'') ? m_text[m_at] : 0;
        if (quote != 0)
            ++m_at;
        std::wstring url;
        while (m_at < m_text.size() && (quote != 0 ? m_text[m_at] != quote : m_text[m_at] != L')'))
            url.push_back(m_text[m_at++]);
        if (quote != 0 && m_at < m_text.size())
            ++m_at;
        while (m_at < m_text.size() && m_text[m_at] != L')')
            ++m_at;
        if (m_at < m_text.size())
            ++m_at;
        while (!url.empty() && IsSpace(url.back()))
            url.pop_back();
        token.Text = std::move(url);
    }

    static void RgbColor(CssToken& token)
    {
        std::vector<const CssToken*> channels;
        for (const CssToken& arg : token.Args) {
            if (arg.Type == CssToken::Kind::Number)
                channels.push_back(&arg);
        }
        if (channels.size() < 3)
            return;
        unsigned alpha = 255;
        if (channels.size() >= 4)
            alpha = static_cast<unsigned>(std::clamp(channels[3]->Number, 0.0f, 1.0f) * 255.0f + 0.5f);
        token.Type = CssToken::Kind::Color;
        token.ColorValue = MakeColor(Channel(*channels[0]), Channel(*channels[1]), Channel(*channels[2]), alpha);
    }

    static bool ParseNamedColor(const std::wstring& name, Color& color)
    {
        for (const NamedColor& named : kNamedColors) {
            if (name == named.Name) {
                color = named.Value;
                return true;
            }
        }
        return false;
    }

    static int SystemColorIndex(const std::wstring& name)
    {
        for (const SystemColorName& system : kSystemColors) {
            if (name == system.Name)
                return system.Index;
        }
        return -1;
    }

    std::wstring_view m_text;
    std::size_t m_at = 0;
};

} // namespace

CssValue CssValue::Parse(std::wstring_view text)
{
    CssValue value;
    value.Tokens = Reader(text).ReadList(0);
    if (value.IsKeyword(L"inherit"))
        value.Wide = CssWideKeyword::Inherit;
    else if (value.IsKeyword(L"initial"))
        value.Wide = CssWideKeyword::Initial;
    return value;
}

Color SystemColorOf(int index)
{
    return g_systemColors(index);
}

Color ColorOf(const CssToken& token)
{
    return token.SystemColor >= 0 ? g_systemColors(token.SystemColor) : token.ColorValue;
}

bool ParseColor(std::wstring_view text, Color& color)
{
    CssValue value = CssValue::Parse(text);
    if (value.Tokens.size() != 1 || value.Tokens[0].Type != CssToken::Kind::Color)
        return false;
    color = ColorOf(value.Tokens[0]);
    return true;
}

void SetSystemColorSource(SystemColorSource source)
{
    g_systemColors = source != nullptr ? source : ClassicSystemColor;
}

} // namespace Engine
