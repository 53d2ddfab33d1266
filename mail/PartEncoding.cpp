#include "mail/PartEncoding.h"

#include "mail/Base64.h"

#include <cstdio>

namespace KEMail {
namespace {

// RFC 5321 allows 1000 octets a line with its CR LF.
constexpr std::size_t kMaxWireLine = 998;
constexpr std::size_t kLongLine = 77;
constexpr std::size_t kSoftBreakAt = 75;

bool IsPrintable(unsigned char c)
{
    return (c >= 32 && c <= 126) || c == '\t' || c == '\r' || c == '\n';
}

bool HasLineLongerThan(std::string_view text, std::size_t limit)
{
    std::size_t column = 0;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            column = 0;
        } else if (++column > limit) {
            return true;
        }
    }
    return false;
}

// Calls onLine(line, ended) for each piece between line ends, with the same cutting rule as
// NormaliseLineEnds, so that both agree on what a line is.
template <typename OnLine>
void ForEachLine(std::string_view text, OnLine onLine)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        onLine(text.substr(start, i - start), true);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    onLine(text.substr(start), false);
}

std::string Escape(unsigned char c)
{
    char escape[4];
    std::snprintf(escape, sizeof escape, "=%2.2X", c);
    return escape;
}

void AppendQuotedLine(std::string& out, std::string line)
{
    for (;;) {
        if (line.size() >= kLongLine) {
            // An escape is three characters: cut before one that would straddle the break.
            std::size_t cut = kSoftBreakAt;
            if (line[74] == '=')
                cut = 74;
            else if (line[73] == '=')
                cut = 73;
            out.append(line, 0, cut);
            out += "=\r\n";
            line.erase(0, cut);
        } else if (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
            // Trailing white space may be dropped in transit, so it is escaped.
            const unsigned char last = static_cast<unsigned char>(line.back());
            line.pop_back();
            line += Escape(last);
        } else {
            out += line;
            return;
        }
    }
}

}  // namespace

const char* EncodingName(MailEncoding encoding)
{
    switch (encoding) {
    case MailEncoding::EightBit:
        return "8bit";
    case MailEncoding::QuotedPrintable:
        return "quoted-printable";
    case MailEncoding::Base64:
        return "base64";
    default:
        return "7bit";
    }
}

MailEncoding ChooseEncoding(std::string_view data)
{
    if (data.empty())
        return MailEncoding::SevenBit;
    std::size_t printable = 0;
    bool nonPrintable = false;
    bool longLine = false;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (IsPrintable(c))
            ++printable;
        else
            nonPrintable = true;
        if (c == '\r') {
            // The LF after a CR is counted with the next line.
            if (i - lineStart > kLongLine)
                longLine = true;
            lineStart = i + 1;
        }
    }
    if (printable * 100 / data.size() < 90)
        return MailEncoding::Base64;
    if (longLine)
        return MailEncoding::QuotedPrintable;
    return nonPrintable ? MailEncoding::EightBit : MailEncoding::SevenBit;
}

std::string NormaliseLineEnds(std::string_view data)
{
    std::string out;
    out.reserve(data.size() + data.size() / 32);
    ForEachLine(data, [&](std::string_view line, bool ended) {
        out += line;
        if (ended)
            out += "\r\n";
    });
    return out;
}

std::string EncodeQuotedPrintable(std::string_view data)
{
    std::string escaped;
    escaped.reserve(data.size() + data.size() / 8);
    for (char ch : data) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '=' || c > 126 || (c < 32 && c != '\t' && c != '\r' && c != '\n'))
            escaped += Escape(c);
        else
            escaped += ch;
    }
    std::string out;
    out.reserve(escaped.size() + escaped.size() / 32);
    ForEachLine(escaped, [&](std::string_view line, bool ended) {
        AppendQuotedLine(out, std::string(line));
        if (ended)
            out += "\r\n";
    });
    return out;
}

std::string DotStuff(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (lineStart && text[i] == '.')
            out += '.';
        out += text[i];
        lineStart = text[i] == '\n' && i > 0 && text[i - 1] == '\r';
    }
    return out;
}

EncodedPart EncodePartText(MailEncoding encoding, std::string_view data)
{
    if (encoding == MailEncoding::Automatic)
        encoding = ChooseEncoding(data);
    EncodedPart part;
    part.Encoding = encoding;
    switch (encoding) {
    case MailEncoding::EightBit:
        part.Text = NormaliseLineEnds(data);
        break;
    case MailEncoding::QuotedPrintable:
        part.Text = EncodeQuotedPrintable(data);
        break;
    case MailEncoding::Base64:
        part.Text = Base64Encode(data, Base64Lines::Wrapped76);
        break;
    default: {
        part.Encoding = MailEncoding::SevenBit;
        std::string seven(data);
        for (char& c : seven) {
            if (static_cast<unsigned char>(c) >= 127)
                c = '?';
        }
        part.Text = NormaliseLineEnds(seven);
        break;
    }
    }
    if ((part.Encoding == MailEncoding::SevenBit || part.Encoding == MailEncoding::EightBit) &&
        HasLineLongerThan(part.Text, kMaxWireLine)) {
        part.Encoding = MailEncoding::QuotedPrintable;
        part.Text = EncodeQuotedPrintable(data);
    }
    part.Text = DotStuff(part.Text);
    return part;
}

}  // namespace KEMail
