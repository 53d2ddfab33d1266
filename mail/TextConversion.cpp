#include "mail/TextConversion.h"

#include <algorithm>
#include <cwctype>

namespace KEMail {

std::wstring SingleLine(std::wstring text)
{
    std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    return text;
}

std::wstring AddressText(std::wstring address)
{
    address.erase(std::remove_if(address.begin(), address.end(), [](wchar_t c) { return c == L'<' || c == L'>'; }),
                  address.end());
    return SingleLine(std::move(address));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

}  // namespace KEMail
