#pragma once
#include "mail/MailEncoding.h"

#include <string>
#include <string_view>

namespace KEMail {

struct EncodedPart {
    std::string Text;
    MailEncoding Encoding = MailEncoding::SevenBit;
};

[[nodiscard]] const char* EncodingName(MailEncoding encoding);

// Base64 below 90% printable bytes, else quoted-printable when a line is longer than 77 bytes,
// else 8bit when any byte is not printable, else 7bit. Nothing to send is 7bit.
[[nodiscard]] MailEncoding ChooseEncoding(std::string_view data);

// Every CR, CR LF and lone LF becomes CR LF: SMTP knows no other line end, and a lone LF before
// a "." would let a server that accepts it end the message there.
[[nodiscard]] std::string NormaliseLineEnds(std::string_view data);

[[nodiscard]] std::string EncodeQuotedPrintable(std::string_view data);

// Doubles the "." that begins any line, the first included: every part's text starts a line.
[[nodiscard]] std::string DotStuff(std::string_view text);

// The text ready to follow a part's headers, dot-stuffed, with no line over the SMTP limit: 7bit
// or 8bit text with a longer line goes out as quoted-printable, which reports that encoding.
[[nodiscard]] EncodedPart EncodePartText(MailEncoding encoding, std::string_view data);

}  // namespace KEMail
