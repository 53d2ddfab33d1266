#pragma once
#include <string>
#include <string_view>

namespace KEMail {

// Addresses that come from a person rather than from the program.
class MailAddress {
public:
    // One mailbox as the SMTP envelope and a "From" header take it, in the plain form of RFC 5321:
    // a dot-string local part, "@", and a domain of letter, digit and hyphen labels. Nothing that
    // could make it a list or a display name (blanks, commas, angle brackets, quotes, brackets,
    // control characters) and nothing outside ASCII.
    [[nodiscard]] static bool IsSingleMailbox(std::wstring_view address);
    // Without the blanks around it that a typed address often carries.
    [[nodiscard]] static std::wstring Trimmed(std::wstring_view address);
};

}  // namespace KEMail
