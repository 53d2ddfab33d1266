// MIME composition with hostile names, addresses, subjects, bodies and attachments: the message
// parses back as one message, every line CR LF-ended and within SMTP's limit, no line a lone ".",
// whose headers and parts are the inputs (as the ANSI code page writes them).
#include "AnsiCodePage.h"
#include "FuzzCheck.h"
#include "mail/Base64.h"
#include "mail/MailMessage.h"
#include "mail/PartEncoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

using namespace KEMail;

namespace {

constexpr std::size_t kMaxWireLine = 998;


std::wstring Text(FuzzedDataProvider& input, std::size_t limit)
{
    return DecodeWindows1252(input.ConsumeRandomLengthString(limit));
}

std::string Wire(const std::wstring& text)
{
    return EncodeWindows1252(SingleLine(text));
}

std::string WireAddress(const std::wstring& address)
{
    return EncodeWindows1252(AddressText(address));
}

struct Recipient {
    std::string Name;
    std::string Address;
    bool operator==(const Recipient&) const = default;
};

struct Part {
    std::map<std::string, std::string> Headers;  // names in lower case, values unfolded
    std::string Content;
};

// The lines of the message, dot-stuffing undone; every line must end with CR LF.
std::vector<std::string> Lines(const std::string& message)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < message.size()) {
        const std::size_t end = message.find("\r\n", start);
        FuzzCheck(end != std::string::npos, "the message ends with CR LF");
        std::string line = message.substr(start, end - start);
        FuzzCheck(line.find_first_of("\r\n") == std::string::npos, "no lone CR or LF");
        FuzzCheck(line.size() <= kMaxWireLine, "no line over SMTP's limit");
        FuzzCheck(line != ".", "no line ends the message early");
        if (!line.empty() && line[0] == '.') {
            FuzzCheck(line.size() > 1 && line[1] == '.', "a line's leading dot is doubled");
            line.erase(0, 1);
        }
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

// Headers from the line at index up to the empty line, which is passed; folded lines unfolded.
std::map<std::string, std::string> Headers(const std::vector<std::string>& lines, std::size_t& index)
{
    std::map<std::string, std::string> headers;
    std::string last;
    for (; index < lines.size() && !lines[index].empty(); ++index) {
        const std::string& line = lines[index];
        if (line[0] == '\t' || line[0] == ' ') {
            FuzzCheck(!last.empty(), "a folded line follows a header");
            headers[last] += line;
            continue;
        }
        const std::size_t colon = line.find(':');
        FuzzCheck(colon != std::string::npos && colon > 0, "a header line has a name");
        last = Lower(line.substr(0, colon));
        FuzzCheck(headers.count(last) == 0, "each header once");
        headers[last] = line.substr(colon + 1);
    }
    FuzzCheck(index < lines.size(), "the headers end with an empty line");
    ++index;
    return headers;
}

// A quoted string starting at at ("\" escapes the next character), moved past.
std::string Quoted(const std::string& text, std::size_t& at)
{
    FuzzCheck(at < text.size() && text[at] == '"', "a quoted string starts with a quote");
    std::string value;
    for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] == '\\' && at + 1 < text.size())
            ++at;
        value += text[at];
    }
    FuzzCheck(at < text.size(), "a quoted string ends with a quote");
    ++at;
    return value;
}

// The quoted parameter of a header value: name="value".
std::string Parameter(const std::string& value, const std::string& name)
{
    const std::size_t at = value.find(";\t" + name + "=\"");
    FuzzCheck(at != std::string::npos, "the parameter is there");
    std::size_t start = at + name.size() + 3;
    return Quoted(value, start);
}

// "name" <address>, ... as the To and From headers write them.
std::vector<Recipient> Recipients(const std::string& value)
{
    std::vector<Recipient> list;
    std::size_t at = value.empty() || value[0] != ' ' ? 0 : 1;
    while (at < value.size()) {
        Recipient recipient;
        if (value[at] == '"') {
            recipient.Name = Quoted(value, at);
            FuzzCheck(at < value.size() && value[at] == ' ', "a blank follows the name");
            ++at;
        }
        if (at < value.size() && value[at] == '<') {
            const std::size_t end = value.find('>', at);
            FuzzCheck(end != std::string::npos, "an address ends with >");
            recipient.Address = value.substr(at + 1, end - at - 1);
            at = end + 1;
        }
        if (!recipient.Name.empty() || !recipient.Address.empty())
            list.push_back(recipient);
        if (at < value.size()) {
            FuzzCheck(value.compare(at, 2, ",\t") == 0, "recipients are parted by a comma");
            at += 2;
        }
    }
    return list;
}

std::string DecodeQuotedPrintable(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.compare(i, 3, "=\r\n") == 0) {
            i += 2;
        } else {
            FuzzCheck(i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                      std::isxdigit(static_cast<unsigned char>(text[i + 2])),
                  "an escape is two hex digits");
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

std::string Decoded(const Part& part)
{
    const auto encoding = part.Headers.find("content-transfer-encoding");
    FuzzCheck(encoding != part.Headers.end(), "a part names its encoding");
    if (encoding->second == " base64")
        return Base64Decode(part.Content);
    if (encoding->second == " quoted-printable")
        return DecodeQuotedPrintable(part.Content);
    FuzzCheck(encoding->second == " 7bit" || encoding->second == " 8bit", "a known encoding");
    return part.Content;
}

// What a part's bytes become on the way: line ends made CR LF, and no 8-bit byte in 7bit.
std::string Expected(const std::string& data, const Part& part)
{
    const std::string encoding = part.Headers.at("content-transfer-encoding");
    if (encoding == " base64")
        return data;
    std::string text = NormaliseLineEnds(data);
    if (encoding == " 7bit") {
        for (char& c : text)
            c = static_cast<unsigned char>(c) >= 127 ? '?' : c;
    }
    return text;
}

struct Attachment {
    std::string Data;
    std::wstring Name;
    MailEncoding Encoding;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    MailMessage message(MailTime{2006, 12, 2, 5, 7, 7, 3, 0}, input.ConsumeIntegralInRange(-1200, 1400));
    // A boundary of the caller's is one of the program's form; the default one is KEmailPart_0000BEEF.
    if (input.ConsumeBool())
        message.SetBoundary(L"KEmailPart_" + std::to_wstring(input.ConsumeIntegral<std::uint16_t>()));
    const std::wstring subject = Text(input, 300);
    message.SetSubject(subject);
    const std::wstring fromName = Text(input, 64);
    const std::wstring fromAddress = Text(input, 64);
    message.SetFrom(fromAddress, fromName);
    // The Cc recipients follow the To ones; one with neither name nor address shows as nothing.
    std::vector<Recipient> to;
    std::vector<Recipient> cc;
    const int recipients = input.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < recipients; ++i) {
        const std::wstring name = Text(input, 64);
        const std::wstring address = Text(input, 64);
        const Recipient wire{Wire(name), WireAddress(address)};
        const bool shows = !wire.Name.empty() || !wire.Address.empty();
        switch (i % 3) {
        case 0:
            message.AddTo(name, address);
            if (shows)
                to.push_back(wire);
            break;
        case 1:
            message.AddCc(name, address);
            if (shows)
                cc.push_back(wire);
            break;
        default:
            message.AddBcc(name, address);
            break;
        }
    }
    to.insert(to.end(), cc.begin(), cc.end());
    const bool html = input.ConsumeBool();
    const std::wstring body = Text(input, 4000);
    if (html)
        message.SetHtmlBody(body);
    else
        message.SetTextBody(body);
    std::vector<Attachment> attachments;
    const int attached = input.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < attached; ++i) {
        Attachment attachment;
        attachment.Name = Text(input, 64);
        attachment.Encoding = static_cast<MailEncoding>(input.ConsumeIntegralInRange(0, 4));
        attachment.Data = input.ConsumeRandomLengthString(4000);
        const wchar_t* type = input.ConsumeBool() ? L"text/plain" : L"";
        message.AddAttachment(attachment.Data.data(), static_cast<std::uint32_t>(attachment.Data.size()),
                              attachment.Name, type, {}, attachment.Encoding);
        if (!attachment.Name.empty())
            attachments.push_back(attachment);
    }

    // As the SMTP client sends it: a line end, then the "." line.
    const std::vector<std::string> lines = Lines(message.ComposeBytes() + "\r\n");
    std::size_t index = 0;
    const std::map<std::string, std::string> headers = Headers(lines, index);
    FuzzCheck(headers.at("subject") == " " + Wire(subject), "the subject as given");
    const Recipient sender{Wire(fromName), WireAddress(fromAddress)};
    const std::vector<Recipient> from = Recipients(headers.at("from"));
    FuzzCheck(from == (sender == Recipient{} ? std::vector<Recipient>{} : std::vector<Recipient>{sender}),
          "the sender as given");
    FuzzCheck(Recipients(headers.at("to")) == to, "the To and Cc recipients as given, no Bcc");

    std::vector<Part> parts;
    if (attachments.empty()) {
        Part single{headers, {}};
        for (; index < lines.size(); ++index)
            single.Content += lines[index] + "\r\n";
        single.Content.resize(single.Content.size() - 2);
        parts.push_back(single);
    } else {
        const std::string delimiter = "--" + Parameter(headers.at("content-type"), "boundary");
        for (; index < lines.size() && lines[index] != delimiter; ++index) {
        }
        bool closed = false;
        while (!closed) {
            FuzzCheck(index < lines.size(), "every part ends with a delimiter");
            ++index;
            Part part;
            part.Headers = Headers(lines, index);
            std::string content;
            for (; index < lines.size() && lines[index] != delimiter && lines[index] != delimiter + "--"; ++index)
                content += lines[index] + "\r\n";
            FuzzCheck(index < lines.size(), "the last part is closed");
            closed = lines[index] == delimiter + "--";
            // The CR LF before a delimiter belongs to it.
            FuzzCheck(content.size() >= 2, "a part's content ends with a line end");
            part.Content = content.substr(0, content.size() - 2);
            parts.push_back(part);
        }
        FuzzCheck(index + 2 == lines.size() && lines.back().empty(), "nothing follows the closing delimiter");
    }

    FuzzCheck(parts.size() == 1 + attachments.size(), "one part for the body and one for each attachment");
    FuzzCheck(Decoded(parts[0]) == Expected(EncodeWindows1252(body), parts[0]), "the body as given");
    for (std::size_t i = 0; i < attachments.size(); ++i) {
        const Part& part = parts[i + 1];
        FuzzCheck(Parameter(part.Headers.at("content-type"), "name") == Wire(attachments[i].Name), "the name as given");
        FuzzCheck(Parameter(part.Headers.at("content-disposition"), "filename") == Wire(attachments[i].Name),
              "the file name as given");
        FuzzCheck(Decoded(part) == Expected(attachments[i].Data, part), "the attachment's bytes as given");
    }
    return 0;
}
