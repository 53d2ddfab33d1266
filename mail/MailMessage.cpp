#include "mail/MailMessage.h"

#include "base/UniqueHandle.h"
#include "mail/MailDate.h"
#include "mail/PartEncoding.h"

#include <cstdio>

namespace KEMail {
namespace {

constexpr DWORD kMaxContentTypeChars = 260;
constexpr char kMultipartPreamble[] = "This is a multipart message in MIME format";

// Others may go on reading and writing it: the log is attached while the program still writes it.
KernelHandle OpenForReading(const std::wstring& path)
{
    return KernelHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes)
{
    const KernelHandle file = OpenForReading(path);
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || size.QuadPart > MAXDWORD)
        return false;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(bytes.size() - done);
        if (!ReadFile(file.Get(), bytes.data() + done, want, &read, nullptr))
            return false;
        if (read == 0) {
            bytes.resize(done);  // cut short by its writer meanwhile
            break;
        }
        done += read;
    }
    return true;
}

// The extension runs from the first ".", so "report.exe.dmp" asks for ".exe.dmp".
std::wstring RegisteredContentType(const std::wstring& name)
{
    const std::size_t dot = name.find(L'.');
    if (dot == std::wstring::npos)
        return {};
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, name.substr(dot).c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        static_cast<void>(key.Release());  // what a failed call leaves there is no key
        return {};
    }
    wchar_t value[kMaxContentTypeChars + 1] = {};
    DWORD type = 0;
    DWORD bytes = kMaxContentTypeChars * sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), L"Content Type", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    value[bytes / sizeof(wchar_t)] = L'\0';
    return value;
}

std::string RecipientText(const MailRecipient& recipient)
{
    std::string text;
    if (!recipient.Name.empty())
        text.append("\"").append(ToAnsi(recipient.Name)).append("\" ");
    if (!recipient.Address.empty())
        text.append("<").append(ToAnsi(recipient.Address)).append(">");
    return text;
}

MailRecipient MakeRecipient(const std::wstring& name, const std::wstring& address)
{
    return MailRecipient{SingleLine(name), SingleLine(address)};
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

MailMessage::MailMessage() : m_zoneOffset(CurrentZoneOffset())
{
    GetSystemTime(&m_date);
}

void MailMessage::SetTextBody(const std::wstring& text)
{
    m_textBody = text;
    m_htmlBody.clear();
}

void MailMessage::SetFrom(const std::wstring& address, const std::wstring& name)
{
    m_fromAddress = SingleLine(address);
    m_fromName = SingleLine(name);
}

void MailMessage::SetDate(const SYSTEMTIME& utc, int zoneOffset)
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

bool MailMessage::AttachFile(const std::wstring& path)
{
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    const std::size_t slash = path.rfind(L'\\');
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (name.empty())
        return false;
    AddAttachment(bytes.data(), static_cast<std::uint32_t>(bytes.size()), name, RegisteredContentType(name));
    return true;
}

std::string MailMessage::ComposeBytes()
{
    std::string boundary;
    const bool multipart = !m_attachments.empty();
    if (multipart) {
        if (!m_boundary.empty()) {
            boundary = ToAnsi(m_boundary);
        } else {
            char text[32];
            std::snprintf(text, sizeof text, "KEmailPart_%8.8lX", static_cast<unsigned long>(GetTickCount()));
            boundary = text;
        }
        if (m_multipartKind == MultipartKind::Automatic)
            m_multipartKind = MultipartKind::Mixed;
    }
    std::string out;
    AppendHeaders(out, boundary);
    if (multipart)
        out += "\r\n" + std::string(kMultipartPreamble) + "\r\n\r\n--" + boundary + "\r\n";
    AppendBody(out);
    for (const MailAttachment& attachment : m_attachments) {
        out += "\r\n--" + boundary + "\r\n";
        AppendAttachment(out, attachment);
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

void MailMessage::AppendBody(std::string& out) const
{
    const bool plain = !m_textBody.empty();
    out += plain ? "Content-Type: text/plain" : "Content-Type: text/html";
    out += ";\r\n\tcharset=\"ISO-8859-1\"\r\n";
    const EncodedPart body = EncodePartText(MailEncoding::Automatic, ToAnsi(plain ? m_textBody : m_htmlBody));
    out += "Content-Transfer-Encoding: ";
    out += EncodingName(body.Encoding);
    out += "\r\n\r\n" + body.Text;
}

void MailMessage::AppendAttachment(std::string& out, const MailAttachment& attachment)
{
    const std::string name = ToAnsi(attachment.Name);
    out += "Content-Type: " + ToAnsi(attachment.ContentType);
    if (StartsWithIgnoringCase(attachment.ContentType, L"text/"))
        out += ";\r\n\tcharset=\"" + ToAnsi(attachment.Charset) + "\"";
    out += ";\r\n\tname=\"" + name + "\"\r\n";
    const EncodedPart part = EncodePartText(attachment.Encoding, attachment.Data);
    out += "Content-Transfer-Encoding: ";
    out += EncodingName(part.Encoding);
    out += "\r\n";
    out += attachment.Disposition == MailDisposition::Inline ? "Content-Disposition: inline"
                                                             : "Content-Disposition: attachment";
    out += ";\r\n\tfilename=\"" + name + "\"";
    if (!attachment.ContentId.empty())
        out += "\r\nContent-ID: <" + ToAnsi(attachment.ContentId) + ">";
    out += "\r\n\r\n" + part.Text;
}

}  // namespace KEMail
