#pragma once
#include <string>
#include <string_view>

namespace KEMail {

// The wire text of mail is 8-bit in the system's ANSI code page (AnsiConversion.cpp).
[[nodiscard]] std::string ToAnsi(std::wstring_view text);
[[nodiscard]] std::wstring FromAnsi(std::string_view text);

// Header values and envelope addresses are written on one line: a CR or LF inside them would
// start a header or an SMTP command of the caller's choosing, so each becomes a blank.
[[nodiscard]] std::wstring SingleLine(std::wstring text);
// An address is written between "<" and ">" in headers and in SMTP's MAIL and RCPT commands: one
// inside it would end it early and pass the rest off as more recipients or command parameters, so
// angle brackets are dropped (no valid address holds one), and the text is made one line.
[[nodiscard]] std::wstring AddressText(std::wstring address);

[[nodiscard]] bool EqualsIgnoringCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix);

}  // namespace KEMail
