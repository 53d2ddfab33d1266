#include "mail/MailAddress.h"

#include <algorithm>

namespace KEMail {

namespace {

// RFC 5321 4.5.3.1: 64 characters of local part, 255 of domain, 256 of path with its brackets.
constexpr std::size_t kMaxLocalPart = 64;
constexpr std::size_t kMaxDomain = 255;
constexpr std::size_t kMaxMailbox = 254;

bool IsAlphaDigit(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

// RFC 5322 atext.
bool IsAtomText(wchar_t c)
{
    return IsAlphaDigit(c) || std::wstring_view(L"!#$%&'*+-/=?^_`{|}~").find(c) != std::wstring_view::npos;
}

// Pieces between single dots, none empty.
template <typename Piece>
bool DotSeparated(std::wstring_view text, Piece piece)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find(L'.', start);
        if (!piece(text.substr(start, dot == std::wstring_view::npos ? std::wstring_view::npos : dot - start)))
            return false;
        if (dot == std::wstring_view::npos)
            return true;
        start = dot + 1;
    }
}

bool IsLocalPart(std::wstring_view local)
{
    return local.size() <= kMaxLocalPart && DotSeparated(local, [](std::wstring_view atom) {
               return !atom.empty() && std::all_of(atom.begin(), atom.end(), IsAtomText);
           });
}

bool IsDomain(std::wstring_view domain)
{
    return domain.size() <= kMaxDomain && DotSeparated(domain, [](std::wstring_view label) {
               return !label.empty() && label.size() <= 63 && label.front() != L'-' && label.back() != L'-' &&
                      std::all_of(label.begin(), label.end(), [](wchar_t c) { return IsAlphaDigit(c) || c == L'-'; });
           });
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\x3000' || c == L'\xA0';
}

}  // namespace

bool MailAddress::IsSingleMailbox(std::wstring_view address)
{
    const std::size_t at = address.rfind(L'@');
    return address.size() <= kMaxMailbox && at != std::wstring_view::npos && IsLocalPart(address.substr(0, at)) &&
           IsDomain(address.substr(at + 1));
}

std::wstring MailAddress::Trimmed(std::wstring_view address)
{
    while (!address.empty() && IsBlank(address.front()))
        address.remove_prefix(1);
    while (!address.empty() && IsBlank(address.back()))
        address.remove_suffix(1);
    return std::wstring(address);
}

}  // namespace KEMail
