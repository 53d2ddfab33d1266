#include "profiles/StoreFormat.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kHeader110[9] = {'K', 'P', 'P', 0x17, 'z', '1', '.', '1', '0'};
constexpr char kHeader100[9] = {'K', 'P', 'P', 0x17, 'z', '1', '.', '0', '0'};
constexpr std::size_t kChunk = 64 * 1024;

// A string ends at its first zero code unit, if any.
std::wstring ReadWideString(StoreReader& reader)
{
    const std::uint32_t units = reader.ReadNumber();
    if (units == 0)
        return {};
    const std::vector<unsigned char> bytes = reader.ReadCounted(static_cast<std::uint64_t>(units) * 2);
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const wchar_t unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

std::wstring ReadAnsiString(StoreReader& reader, const AnsiDecoder& decode)
{
    const std::uint32_t count = reader.ReadNumber();
    if (count == 0)
        return {};
    std::vector<unsigned char> bytes = reader.ReadCounted(count);
    bytes.erase(std::find(bytes.begin(), bytes.end(), 0), bytes.end());
    if (bytes.empty())
        return {};
    return decode(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

enum class Format { V100, V110 };

void ReadRecords(StoreReader& reader, Format format, const AnsiDecoder& decode,
                 const std::function<void(ProxyProfile&&)>& take)
{
    do {
        ProxyProfile profile;
        profile.AutoDiscoveryFlags = reader.ReadNumber();
        profile.ConnectionFlags = reader.ReadNumber();
        if (format == Format::V110) {
            std::wstring* fields[] = {&profile.Name,          &profile.ProxyServer, &profile.ProxyBypass,
                                      &profile.AutoConfigUrl, &profile.NdisName,    &profile.AutoIp};
            for (std::wstring* field : fields)
                *field = ReadWideString(reader);
        } else {
            std::wstring* fields[] = {&profile.Name, &profile.ProxyServer, &profile.ProxyBypass, &profile.AutoConfigUrl};
            for (std::wstring* field : fields)
                *field = ReadAnsiString(reader, decode);
        }
        take(std::move(profile));
    } while (reader.LastRead() > 0);
}

void AppendNumber(std::vector<char>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void AppendString(std::vector<char>& out, const std::wstring& text)
{
    AppendNumber(out, static_cast<std::uint32_t>(text.size()));
    for (const wchar_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
}

} // namespace

std::size_t StoreReader::Read(void* target, std::size_t count)
{
    auto* out = static_cast<char*>(target);
    std::size_t done = 0;
    while (done < count) {
        if (m_position == m_buffer.size() && !Refill())
            break;
        const std::size_t take = std::min(count - done, m_buffer.size() - m_position);
        std::memcpy(out + done, m_buffer.data() + m_position, take);
        m_position += take;
        done += take;
    }
    m_lastRead = done;
    return done;
}

std::uint32_t StoreReader::ReadNumber()
{
    unsigned char bytes[4] = {};
    Read(bytes, sizeof(bytes));
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::vector<unsigned char> StoreReader::ReadCounted(std::uint64_t byteCount)
{
    const std::uint64_t available = m_remaining + (m_buffer.size() - m_position);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min(byteCount, available)));
    const std::size_t got = bytes.empty() ? 0 : Read(bytes.data(), bytes.size());
    if (byteCount > 0 && bytes.empty())
        m_lastRead = 0;
    bytes.resize(got);
    return bytes;
}

bool StoreReader::Refill()
{
    if (m_remaining == 0)
        return false;
    m_buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_remaining)));
    const std::size_t got = std::min(m_source(m_buffer.data(), m_buffer.size()), m_buffer.size());
    if (got == 0) {
        m_buffer.clear();
        m_position = 0;
        m_remaining = 0;
        return false;
    }
    m_buffer.resize(got);
    m_position = 0;
    m_remaining -= got;
    return true;
}

StoreReadResult ReadStoreRecords(StoreReader& reader, const AnsiDecoder& decode,
                                 const std::function<void(ProxyProfile&&)>& take)
{
    char header[9] = {};
    if (reader.Read(header, sizeof(header)) != sizeof(header))
        return StoreReadResult::UnknownHeader;
    if (std::memcmp(header, kHeader110, sizeof(header)) == 0)
        ReadRecords(reader, Format::V110, decode, take);
    else if (std::memcmp(header, kHeader100, sizeof(header)) == 0)
        ReadRecords(reader, Format::V100, decode, take);
    else
        return StoreReadResult::UnknownHeader;
    return StoreReadResult::Read;
}

std::vector<char> FormatStoreFile(const std::vector<ProxyProfile>& records)
{
    std::vector<char> bytes(kHeader110, kHeader110 + sizeof(kHeader110));
    for (const ProxyProfile& profile : records) {
        AppendNumber(bytes, profile.AutoDiscoveryFlags);
        AppendNumber(bytes, profile.ConnectionFlags);
        for (const std::wstring* field : {&profile.Name, &profile.ProxyServer, &profile.ProxyBypass,
                                          &profile.AutoConfigUrl, &profile.NdisName, &profile.AutoIp})
            AppendString(bytes, *field);
    }
    return bytes;
}
