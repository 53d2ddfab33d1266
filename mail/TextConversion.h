#pragma once
#include <string>
#include <string_view>

namespace KEMail {

// The wire text of mail is 8-bit in the system's ANSI code page.
[[nodiscard]] std::string ToAnsi(std::wstring_view text);
[[nodiscard]] std::wstring FromAnsi(std::string_view text);

// Header values and envelope addresses are written on one line: a CR or LF inside them would
// start a header or an SMTP command of the caller's choosing, so each becomes a blank.
[[nodiscard]] std::wstring SingleLine(std::wstring text);

[[nodiscard]] bool EqualsIgnoringCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix);

}  // namespace KEMail
