#include "mail/Base64.h"
#include "mail/PartEncoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace KEMail;

namespace {

std::string Repeat(char c, std::size_t count)
{
    return std::string(count, c);
}

std::string WithControlBytes(std::size_t percent)
{
    std::string text;
    for (std::size_t i = 0; i < 100; ++i)
        text += i < percent ? '\x01' : 'a';
    return text;
}

}  // namespace

TEST(MailPartEncoding, ChoosesTheEncodingByTheBytes)
{
    struct Case {
        const char* what;
        std::string data;
        MailEncoding expected;
    };
    const Case cases[] = {
        {"short ASCII lines", "Hello\r\nWorld\r\n", MailEncoding::SevenBit},
        {"nothing at all", "", MailEncoding::SevenBit},
        {"a line of 100 characters", Repeat('x', 100) + "\r\nend", MailEncoding::QuotedPrintable},
        {"77 bytes before the CR is not long", Repeat('x', 77) + "\r\n", MailEncoding::SevenBit},
        {"78 bytes before the CR is long", Repeat('x', 78) + "\r\n", MailEncoding::QuotedPrintable},
        {"a long last line without CR is not examined", Repeat('x', 200), MailEncoding::SevenBit},
        {"15% control bytes", WithControlBytes(15), MailEncoding::Base64},
        {"10% control bytes is still text", WithControlBytes(10), MailEncoding::EightBit},
        {"a few accented letters", "Un caf\xE9 cr\xE8me, s'il vous pla\xEEt\r\n", MailEncoding::EightBit},
        {"mostly accented letters", "\xE9t\xE9\r\n", MailEncoding::Base64},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseEncoding(c.data), c.expected) << c.what;
}

TEST(MailPartEncoding, EncodesEachKindToItsExactText)
{
    struct Case {
        const char* what;
        MailEncoding requested;
        std::string data;
        std::string text;
        MailEncoding written;
    };
    const Case cases[] = {
        {"7bit turns high bytes into question marks", MailEncoding::SevenBit, "a\xE9\x7F" "b",
         "a??b", MailEncoding::SevenBit},
        {"8bit keeps high bytes", MailEncoding::EightBit, "a\xE9" "b", "a\xE9" "b", MailEncoding::EightBit},
        {"line ends become CR LF", MailEncoding::EightBit, "a\rb\nc\r\nd\n", "a\r\nb\r\nc\r\nd\r\n",
         MailEncoding::EightBit},
        {"a lone dot line is doubled", MailEncoding::SevenBit, "one\r\n.\r\ntwo", "one\r\n..\r\ntwo",
         MailEncoding::SevenBit},
        {"a dot after a lone LF is doubled", MailEncoding::SevenBit, "one\n.\ntwo", "one\r\n..\r\ntwo",
         MailEncoding::SevenBit},
        {"a dot that starts the text is doubled", MailEncoding::SevenBit, ".\r\nrest", "..\r\nrest",
         MailEncoding::SevenBit},
        {"a dot inside a line stays single", MailEncoding::SevenBit, "a.b\r\n x.", "a.b\r\n x.",
         MailEncoding::SevenBit},
        {"quoted-printable escapes equals, control and high bytes", MailEncoding::QuotedPrintable,
         "a=b\x01\xFF\tc\r\n", "a=3Db=01=FF\tc\r\n", MailEncoding::QuotedPrintable},
        {"quoted-printable escapes a trailing blank and TAB", MailEncoding::QuotedPrintable, "end \r\ntab\t",
         "end=20\r\ntab=09", MailEncoding::QuotedPrintable},
        {"base64 of three, two and one bytes", MailEncoding::Base64, "Man" "Ma", "TWFuTWE=",
         MailEncoding::Base64},
        {"automatic text of short lines is 7bit", MailEncoding::Automatic, "Hi\r\n", "Hi\r\n",
         MailEncoding::SevenBit},
        {"an empty part is 7bit", MailEncoding::Automatic, "", "", MailEncoding::SevenBit},
    };
    for (const Case& c : cases) {
        const EncodedPart part = EncodePartText(c.requested, c.data);
        EXPECT_EQ(part.Text, c.text) << c.what;
        EXPECT_EQ(part.Encoding, c.written) << c.what;
    }
}

TEST(MailPartEncoding, QuotedPrintableSoftBreaksNeverSplitAnEscape)
{
    struct Case {
        std::size_t escapeAt;  // where "=" of an escape lands in the escaped line
        std::string firstLine;
    };
    // The escaped line is 80 characters; the break normally falls after 75.
    const Case cases[] = {
        {72, Repeat('a', 72) + "=3D=\r\n"},
        {73, Repeat('a', 73) + "=\r\n"},
        {74, Repeat('a', 74) + "=\r\n"},
        {75, Repeat('a', 75) + "=\r\n"},
    };
    for (const Case& c : cases) {
        const std::string data = Repeat('a', c.escapeAt) + "=" + Repeat('b', 80 - c.escapeAt - 3);
        const std::string encoded = EncodeQuotedPrintable(data);
        EXPECT_EQ(encoded.substr(0, c.firstLine.size()), c.firstLine) << "escape at " << c.escapeAt;
        // Whatever the cut, joining the soft-broken lines gives the escaped text back.
        std::string joined = encoded;
        for (std::size_t at; (at = joined.find("=\r\n")) != std::string::npos;)
            joined.erase(at, 3);
        EXPECT_EQ(joined, Repeat('a', c.escapeAt) + "=3D" + Repeat('b', 80 - c.escapeAt - 3));
    }
}

TEST(MailPartEncoding, QuotedPrintableLinesStayWithinSeventySixCharacters)
{
    const std::string data = Repeat('x', 300) + "\r\n" + Repeat('\xE9', 100) + " \r\nshort";
    const std::string encoded = EncodePartText(MailEncoding::QuotedPrintable, data).Text;
    std::size_t start = 0;
    for (std::size_t end; (end = encoded.find("\r\n", start)) != std::string::npos; start = end + 2)
        EXPECT_LE(end - start, 76u) << encoded.substr(start, end - start);
    EXPECT_EQ(encoded.substr(start), "short");
    EXPECT_NE(encoded.find("=20\r\nshort"), std::string::npos) << "the blank before the line end is escaped";
    EXPECT_EQ(encoded.find(" \r\n"), std::string::npos);
}

TEST(MailPartEncoding, Base64IsWrappedAtSeventySixCharactersAndDecodesBack)
{
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>((i * 37) & 0xFF);
    const EncodedPart part = EncodePartText(MailEncoding::Base64, data);
    std::size_t start = 0;
    std::size_t lines = 0;
    for (std::size_t end; (end = part.Text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        EXPECT_EQ(end - start, 76u);
        ++lines;
    }
    EXPECT_EQ(lines, (1000 + 2) / 3 * 4 / 76);
    EXPECT_LE(part.Text.size() - start, 76u);
    EXPECT_EQ(Base64Decode(part.Text), data);
}

TEST(MailPartEncoding, Base64MatchesTheStandardVectors)
{
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"Username:", "VXNlcm5hbWU6"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(Base64Encode(plain), encoded);
        EXPECT_EQ(Base64Decode(encoded), plain);
    }
}

TEST(MailPartEncoding, TextWithALineOverTheSmtpLimitGoesOutQuotedPrintable)
{
    for (MailEncoding requested : {MailEncoding::SevenBit, MailEncoding::EightBit, MailEncoding::Automatic}) {
        const std::string data = "head\r\n" + Repeat('y', 1200);
        const EncodedPart part = EncodePartText(requested, data);
        EXPECT_EQ(part.Encoding, MailEncoding::QuotedPrintable);
        EXPECT_EQ(part.Text.substr(0, 6 + 76), "head\r\n" + Repeat('y', 75) + "=");
    }
    const EncodedPart fits = EncodePartText(MailEncoding::EightBit, Repeat('y', 998));
    EXPECT_EQ(fits.Encoding, MailEncoding::EightBit);
}
