// What the mail library takes from the system, where the fuzz build has none: the ANSI code page
// (Windows-1252) and the tick count its default boundary is made of.
#include "AnsiCodePage.h"
#include "mail/MailMessage.h"
#include "mail/TextConversion.h"

namespace KEMail {

std::string ToAnsi(std::wstring_view text)
{
    return EncodeWindows1252(text);
}

std::wstring FromAnsi(std::string_view text)
{
    return DecodeWindows1252(text);
}

std::uint32_t MailMessage::BoundaryStamp()
{
    return 0x0000BEEF;
}

} // namespace KEMail
