#include "mail/Base64.h"

namespace KEMail {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineLength = 76;

int DecodeValue(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(std::string_view data, Base64Lines lines)
{
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4 * 78 / 76 + 4);
    std::size_t column = 0;
    auto put = [&](char c) {
        if (lines == Base64Lines::Wrapped76 && column == kLineLength) {
            out += "\r\n";
            column = 0;
        }
        out += c;
        ++column;
    };
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t left = data.size() - i;
        unsigned value = static_cast<unsigned char>(data[i]) << 16;
        if (left > 1)
            value |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (left > 2)
            value |= static_cast<unsigned char>(data[i + 2]);
        put(kAlphabet[(value >> 18) & 63]);
        put(kAlphabet[(value >> 12) & 63]);
        put(left > 1 ? kAlphabet[(value >> 6) & 63] : '=');
        put(left > 2 ? kAlphabet[value & 63] : '=');
    }
    return out;
}

std::string Base64Decode(std::string_view text)
{
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=')
            break;
        const int digit = DecodeValue(c);
        if (digit < 0)
            continue;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

}  // namespace KEMail
