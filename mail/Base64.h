#pragma once
#include <string>
#include <string_view>

namespace KEMail {

enum class Base64Lines { Unbroken, Wrapped76 };

// RFC 2045 base64 with "=" padding. Wrapped text has CR LF after every 76 characters (none at the
// end), which keeps attachments within the line limits of MIME and SMTP.
[[nodiscard]] std::string Base64Encode(std::string_view data, Base64Lines lines = Base64Lines::Unbroken);

// Characters outside the alphabet (line breaks, blanks) are skipped; decoding stops at "=".
[[nodiscard]] std::string Base64Decode(std::string_view text);

}  // namespace KEMail
