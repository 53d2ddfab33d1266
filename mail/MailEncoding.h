#pragma once

namespace KEMail {

// The values are those that callers have always passed as numbers.
enum class MailEncoding { Automatic = 0, SevenBit = 1, EightBit = 2, QuotedPrintable = 3, Base64 = 4 };

}  // namespace KEMail
