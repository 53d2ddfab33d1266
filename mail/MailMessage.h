#pragma once
#include "mail/MailAttachment.h"
#include "mail/MailDate.h"
#include "mail/MailRecipient.h"
#include "mail/PartEncoding.h"
#include "mail/TextConversion.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KEMail {

enum class MultipartKind { Automatic = 0, Mixed = 1, Alternative = 2, Related = 3 };
enum class MailPriority { Normal = 0, High = 1, HighSecond = 2 };
enum class MailImportance { Low = 0, Normal = 1, High = 2 };

// One e-mail: headers, one body, recipients and attachments, composed into the text that follows
// SMTP's DATA command (dot-stuffed already).
class MailMessage {
public:
    // Takes the date (UTC) and the zone from the system clock and time-zone information.
    MailMessage();
    // A message dated by the caller: the date in UTC and the zone as a signed hhmm number.
    MailMessage(const MailTime& utc, int zoneOffset) : m_date(utc), m_zoneOffset(zoneOffset) {}

    void SetSubject(const std::wstring& subject) { m_subject = SingleLine(subject); }
    void SetTextBody(const std::wstring& text);
    void SetHtmlBody(const std::wstring& html) { m_htmlBody = html; }
    void SetFrom(const std::wstring& address, const std::wstring& name = {});
    void SetMessageId(const std::wstring& id) { m_messageId = SingleLine(id); }
    void SetMultipartKind(MultipartKind kind) { m_multipartKind = kind; }
    void SetPriority(MailPriority priority) { m_priority = priority; }
    void SetImportance(MailImportance importance) { m_importance = importance; }

    // For tests and for callers with a clock of their own.
    void SetDate(const MailTime& utc, int zoneOffset);
    // For tests: a fixed boundary in place of the one made from the tick count.
    void SetBoundary(const std::wstring& boundary) { m_boundary = SingleLine(boundary); }

    void AddTo(const std::wstring& name, const std::wstring& address);
    void AddCc(const std::wstring& name, const std::wstring& address);
    void AddBcc(const std::wstring& name, const std::wstring& address);

    // Copies the bytes. Ignored without a name, or without data when size is not 0; an empty
    // content type, content id or charset keeps the default.
    void AddAttachment(const void* data, std::uint32_t size, const std::wstring& name,
                       const std::wstring& contentType = {}, const std::wstring& contentId = {},
                       MailEncoding encoding = MailEncoding::Automatic, const std::wstring& charset = {},
                       MailDisposition disposition = MailDisposition::Attachment);
    // Attaches a whole file, as it stands when read, with the content type registered for its
    // extension. A file that is still being written can be attached. False, and nothing
    // attached, when the file cannot be read (held open by someone who shares nothing, say).
    bool AttachFile(const std::wstring& path);

    // The message as the bytes that go on the wire. An automatic multipart kind becomes mixed
    // when there are attachments.
    [[nodiscard]] std::string ComposeBytes();
    // The same text widened from the ANSI code page.
    [[nodiscard]] std::wstring Compose();

    [[nodiscard]] const std::wstring& FromAddress() const { return m_fromAddress; }
    [[nodiscard]] const std::vector<MailRecipient>& To() const { return m_to; }
    [[nodiscard]] const std::vector<MailRecipient>& Cc() const { return m_cc; }
    [[nodiscard]] const std::vector<MailRecipient>& Bcc() const { return m_bcc; }
    [[nodiscard]] const std::vector<MailAttachment>& Attachments() const { return m_attachments; }
    [[nodiscard]] MultipartKind Multipart() const { return m_multipartKind; }
    [[nodiscard]] int ZoneOffset() const { return m_zoneOffset; }

private:
    void AppendHeaders(std::string& out, const std::string& boundary) const;
    static void AppendAttachment(std::string& out, const MailAttachment& attachment, const EncodedPart& part);
    // What the boundary is made of when none was set: the system's tick count.
    [[nodiscard]] static std::uint32_t BoundaryStamp();

    std::wstring m_subject;
    std::wstring m_textBody;
    std::wstring m_htmlBody;
    std::wstring m_messageId;
    std::vector<MailRecipient> m_to;
    std::vector<MailRecipient> m_cc;
    std::vector<MailRecipient> m_bcc;
    std::vector<MailAttachment> m_attachments;
    MultipartKind m_multipartKind = MultipartKind::Automatic;
    MailPriority m_priority = MailPriority::Normal;
    MailImportance m_importance = MailImportance::Normal;
    MailTime m_date{};
    int m_zoneOffset = 0;
    std::wstring m_fromAddress;
    std::wstring m_fromName;
    std::wstring m_boundary;
};

}  // namespace KEMail
