#pragma once
#include "mail/MailEncoding.h"

#include <cstdint>
#include <string>

namespace KEMail {

enum class MailDisposition { Attachment, Inline };

struct MailAttachment {
    std::string Data;  // an owned copy of the content; a std::string also keeps a zero after it
    std::wstring Name;  // never empty
    std::wstring ContentType = L"application/octet-stream";
    std::wstring Charset = L"ISO-8859-1";  // written only for text types
    MailEncoding Encoding = MailEncoding::Automatic;
    std::wstring ContentId;
    MailDisposition Disposition = MailDisposition::Attachment;

    [[nodiscard]] std::uint32_t Size() const { return static_cast<std::uint32_t>(Data.size()); }
};

}  // namespace KEMail
