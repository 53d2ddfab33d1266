#include "AnsiCodePage.h"

#include <array>

namespace {

// 0x80 to 0x9F; the five bytes the code page leaves unassigned map to the same control codes.
constexpr std::array<wchar_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

std::wstring DecodeWindows1252(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<wchar_t>(byte));
    }
    return out;
}

std::string EncodeWindows1252(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const wchar_t unit : text) {
        char byte = '?';
        if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100)) {
            byte = static_cast<char>(unit);
        } else {
            for (std::size_t i = 0; i < kHigh.size(); ++i) {
                if (kHigh[i] == unit)
                    byte = static_cast<char>(0x80 + i);
            }
        }
        out.push_back(byte);
    }
    return out;
}
