#include "mail/MailMessage.h"

#include "mail/PartEncoding.h"

#include <algorithm>
#include <cstdio>

namespace KEMail {
namespace {

constexpr char kMultipartPreamble[] = "This is a multipart message in MIME format";

// A quoted string of RFC 5322: a quote or backslash inside is escaped, so that a name such as
// Smith, "Jo" cannot end the quotes early and add a recipient or parameter of its own.
std::string Quoted(const std::wstring& text)
{
    std::string quoted = "\"";
    for (const char c : ToAnsi(text)) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string RecipientText(const MailRecipient& recipient)
{
    std::string text;
    if (!recipient.Name.empty())
        text.append(Quoted(recipient.Name)).append(" ");
    if (!recipient.Address.empty())
        text.append("<").append(ToAnsi(recipient.Address)).append(">");
    return text;
}

MailRecipient MakeRecipient(const std::wstring& name, const std::wstring& address)
{
    return MailRecipient{SingleLine(name), AddressText(address)};
}

const char* MultipartName(MultipartKind kind)
{
    switch (kind) {
    case MultipartKind::Mixed:
        return "mixed";
    case MultipartKind::Alternative:
        return "alternative";
    case MultipartKind::Related:
        return "related";
    default:
        return "";
    }
}

}  // namespace

void MailMessage::SetTextBody(const std::wstring& text)
{
    m_textBody = text;
    m_htmlBody.clear();
}

void MailMessage::SetFrom(const std::wstring& address, const std::wstring& name)
{
    m_fromAddress = AddressText(address);
    m_fromName = SingleLine(name);
}

void MailMessage::SetDate(const MailTime& utc, int zoneOffset)
{
    m_date = utc;
    m_zoneOffset = zoneOffset;
}

void MailMessage::AddTo(const std::wstring& name, const std::wstring& address)
{
    m_to.push_back(MakeRecipient(name, address));
}

void MailMessage::AddCc(const std::wstring& name, const std::wstring& address)
{
    m_cc.push_back(MakeRecipient(name, address));
}

void MailMessage::AddBcc(const std::wstring& name, const std::wstring& address)
{
    m_bcc.push_back(MakeRecipient(name, address));
}

void MailMessage::AddAttachment(const void* data, std::uint32_t size, const std::wstring& name,
                                const std::wstring& contentType, const std::wstring& contentId,
                                MailEncoding encoding, const std::wstring& charset, MailDisposition disposition)
{
    // An empty file is still a file the reader expects to find.
    if (name.empty() || (data == nullptr && size != 0))
        return;
    MailAttachment attachment;
    if (size != 0)
        attachment.Data.assign(static_cast<const char*>(data), size);
    attachment.Name = SingleLine(name);
    if (!contentType.empty())
        attachment.ContentType = SingleLine(contentType);
    if (!contentId.empty())
        attachment.ContentId = SingleLine(contentId);
    if (!charset.empty())
        attachment.Charset = SingleLine(charset);
    attachment.Encoding = encoding;
    attachment.Disposition = disposition;
    m_attachments.push_back(std::move(attachment));
}

std::string MailMessage::ComposeBytes()
{
    const bool plain = !m_textBody.empty();
    const EncodedPart body = EncodePartText(MailEncoding::Automatic, ToAnsi(plain ? m_textBody : m_htmlBody));
    std::vector<EncodedPart> parts;
    for (const MailAttachment& attachment : m_attachments)
        parts.push_back(EncodePartText(attachment.Encoding, attachment.Data));

    std::string boundary;
    const bool multipart = !m_attachments.empty();
    if (multipart) {
        if (!m_boundary.empty()) {
            boundary = ToAnsi(m_boundary);
        } else {
            char text[32];
            std::snprintf(text, sizeof text, "KEmailPart_%8.8lX", static_cast<unsigned long>(BoundaryStamp()));
            boundary = text;
        }
        // A part that holds the boundary would end there for the reader (a forwarded mail in the
        // log, say): the boundary grows until no part holds it.
        const std::string chosen = boundary;
        auto held = [&](const std::string& text) { return text.find(boundary) != std::string::npos; };
        for (int suffix = 1; held(body.Text) || std::any_of(parts.begin(), parts.end(),
                                                          [&](const EncodedPart& part) { return held(part.Text); });
             ++suffix)
            boundary = chosen + "_" + std::to_string(suffix);
        if (m_multipartKind == MultipartKind::Automatic)
            m_multipartKind = MultipartKind::Mixed;
    }
    std::string out;
    AppendHeaders(out, boundary);
    if (multipart)
        out += "\r\n" + std::string(kMultipartPreamble) + "\r\n\r\n--" + boundary + "\r\n";
    out += plain ? "Content-Type: text/plain" : "Content-Type: text/html";
    out += ";\r\n\tcharset=\"ISO-8859-1\"\r\n";
    out += "Content-Transfer-Encoding: ";
    out += EncodingName(body.Encoding);
    out += "\r\n\r\n" + body.Text;
    for (std::size_t i = 0; i < m_attachments.size(); ++i) {
        out += "\r\n--" + boundary + "\r\n";
        AppendAttachment(out, m_attachments[i], parts[i]);
    }
    if (multipart)
        out += "\r\n--" + boundary + "--\r\n";
    return out;
}

std::wstring MailMessage::Compose()
{
    return FromAnsi(ComposeBytes());
}

void MailMessage::AppendHeaders(std::string& out, const std::string& boundary) const
{
    if (!boundary.empty()) {
        out += "Content-Type: multipart/";
        out += MultipartName(m_multipartKind);
        out += ";\r\n\tboundary=\"" + boundary + "\"\r\n";
    }
    out += "MIME-Version: 1.0\r\n";
    if (!m_messageId.empty())
        out += "Message-ID: <" + ToAnsi(m_messageId) + ">\r\n";
    switch (m_priority) {
    case MailPriority::High:
        out += "X-Priority: 1 (High)\r\nX-MSMail-Priority: High\r\n";
        break;
    case MailPriority::HighSecond:
        out += "X-Priority: 2 (High)\r\nX-MSMail-Priority: High\r\n";
        break;
    default:
        out += "X-Priority: 3 (Normal)\r\nX-MSMail-Priority: Normal\r\n";
        break;
    }
    switch (m_importance) {
    case MailImportance::Low:
        out += "Importance: Low\r\n";
        break;
    case MailImportance::High:
        out += "Importance: High\r\n";
        break;
    default:
        out += "Importance: Normal\r\n";
        break;
    }
    out += "Date: " + FormatMailDate(m_date, m_zoneOffset) + "\r\n";
    out += "Subject: " + ToAnsi(m_subject) + "\r\n";
    // One "To" line; Cc recipients follow on folded lines, and Bcc recipients appear nowhere.
    std::string to;
    for (const MailRecipient& recipient : m_to)
        to += (to.empty() ? "" : ",\t") + RecipientText(recipient);
    for (const MailRecipient& recipient : m_cc)
        to += (to.empty() ? "" : ",\r\n\t") + RecipientText(recipient);
    out += "To: " + to + "\r\n";
    out += "From: " + RecipientText(MailRecipient{m_fromName, m_fromAddress}) + "\r\n";
}

void MailMessage::AppendAttachment(std::string& out, const MailAttachment& attachment, const EncodedPart& part)
{
    const std::string name = Quoted(attachment.Name);
    out += "Content-Type: " + ToAnsi(attachment.ContentType);
    if (StartsWithIgnoringCase(attachment.ContentType, L"text/"))
        out += ";\r\n\tcharset=" + Quoted(attachment.Charset);
    out += ";\r\n\tname=" + name + "\r\n";
    out += "Content-Transfer-Encoding: ";
    out += EncodingName(part.Encoding);
    out += "\r\n";
    out += attachment.Disposition == MailDisposition::Inline ? "Content-Disposition: inline"
                                                             : "Content-Disposition: attachment";
    out += ";\r\n\tfilename=" + name;
    if (!attachment.ContentId.empty())
        out += "\r\nContent-ID: <" + ToAnsi(attachment.ContentId) + ">";
    out += "\r\n\r\n" + part.Text;
}

}  // namespace KEMail
