#pragma once
#include "engine/gfx/Color.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

enum class CssUnit : unsigned char { None, Px, Pt, Pc, In, Cm, Mm, Em, Ex, Percent, Dip };

// One component of a property value, as read once from its text.
struct CssToken {
    enum class Kind : unsigned char { Number, Ident, Color, String, Url, Function, Comma, Slash, Other };
    Kind Type = Kind::Other;
    float Number = 0;
    CssUnit Unit = CssUnit::None;
    Color ColorValue = kTransparent;
    int SystemColor = -1;           // a system colour's index: read from the system when used
    std::wstring Text;              // identifier (lower case), string, URL or function name
    std::vector<CssToken> Args;     // a function's arguments
    std::wstring_view Source;       // the token as written, within the value it was read from
};

// The keywords every property takes (CSS 2.1, 6.2.1 and CSS 3's "initial").
enum class CssWideKeyword : unsigned char { None, Inherit, Initial };

// A property value read into its components. Colour names, #rgb, #rrggbb, rgb() and rgba() and
// the system colour names become colours at once.
struct CssValue {
    std::vector<CssToken> Tokens;
    CssWideKeyword Wide = CssWideKeyword::None;  // the whole value is one of these keywords

    [[nodiscard]] static CssValue Parse(std::wstring_view text);
    [[nodiscard]] bool IsKeyword(std::wstring_view keyword) const
    {
        return Tokens.size() == 1 && Tokens[0].Type == CssToken::Kind::Ident && Tokens[0].Text == keyword;
    }
};

// A colour token's colour: system colours are read from the system now, so that a theme change
// reaches styles built after it.
[[nodiscard]] Color ColorOf(const CssToken& token);
// A system colour by its GetSysColor index, from the installed source.
[[nodiscard]] Color SystemColorOf(int index);

// Colour by name, hex or function; false when the text is none of these.
[[nodiscard]] bool ParseColor(std::wstring_view text, Color& color);

// Windows' system colours by their GetSysColor index; the window layer installs the real
// source, so that a high-contrast theme follows. Until then, the classic scheme answers.
using SystemColorSource = Color (*)(int index);
void SetSystemColorSource(SystemColorSource source);

} // namespace Engine
