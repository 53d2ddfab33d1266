#include "profiles/StoreFile.h"

#include "base/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

constexpr char kHeader110[9] = {'K', 'P', 'P', 0x17, 'z', '1', '.', '1', '0'};
constexpr char kHeader100[9] = {'K', 'P', 'P', 0x17, 'z', '1', '.', '0', '0'};
constexpr DWORD kChunk = 64 * 1024;

KernelHandle OpenFile(const std::wstring& path, DWORD access, DWORD creation)
{
    return KernelHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, creation,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Errors another program's handle gives, which end when that program lets go.
bool HeldByAnother(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

StoreReadResult ReadFailure(DWORD error)
{
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return StoreReadResult::Missing;
    return HeldByAnother(error) ? StoreReadResult::InUse : StoreReadResult::CannotRead;
}

// Reads as ReadFile does (fewer bytes at the end of the file, none after it), through a buffer.
// A string never asks for more memory than the file still holds, whatever its count says.
class StoreReader {
public:
    explicit StoreReader(HANDLE file) : m_file(file)
    {
        LARGE_INTEGER size{};
        GetFileSizeEx(file, &size);
        m_size = static_cast<std::uint64_t>(size.QuadPart);
        m_remaining = m_size;
    }

    [[nodiscard]] std::uint64_t Size() const { return m_size; }

    // Bytes actually read.
    std::size_t Read(void* target, std::size_t count)
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

    std::uint32_t ReadNumber()
    {
        unsigned char bytes[4] = {};
        Read(bytes, sizeof(bytes));
        return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    }

    // A count, then that many bytes (or the rest of the file, when it is shorter).
    std::vector<unsigned char> ReadCounted(std::uint64_t byteCount)
    {
        const std::uint64_t available = m_remaining + (m_buffer.size() - m_position);
        std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min(byteCount, available)));
        const std::size_t got = bytes.empty() ? 0 : Read(bytes.data(), bytes.size());
        if (byteCount > 0 && bytes.empty())
            m_lastRead = 0;
        bytes.resize(got);
        return bytes;
    }

    [[nodiscard]] std::size_t LastRead() const { return m_lastRead; }
    // The error that ended the reading before the end of the file, or 0.
    [[nodiscard]] DWORD Error() const { return m_error; }

private:
    bool Refill()
    {
        if (m_remaining == 0)
            return false;
        m_buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_remaining)));
        DWORD got = 0;
        const bool read = ReadFile(m_file, m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &got, nullptr) != FALSE;
        if (!read)
            m_error = GetLastError();
        if (!read || got == 0) {
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

    HANDLE m_file;
    std::vector<char> m_buffer;
    std::size_t m_position = 0;
    std::uint64_t m_size = 0;
    std::uint64_t m_remaining = 0;
    std::size_t m_lastRead = 0;
    DWORD m_error = 0;
};

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

std::wstring ReadAnsiString(StoreReader& reader)
{
    const std::uint32_t count = reader.ReadNumber();
    if (count == 0)
        return {};
    std::vector<unsigned char> bytes = reader.ReadCounted(count);
    bytes.erase(std::find(bytes.begin(), bytes.end(), 0), bytes.end());
    if (bytes.empty())
        return {};
    const char* text = reinterpret_cast<const char*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, result.data(), wide);
    return result;
}

enum class Format { V100, V110 };

void ReadRecords(StoreReader& reader, Format format, const std::function<void(ProxyProfile&&)>& take)
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
                *field = ReadAnsiString(reader);
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

bool WriteAll(HANDLE file, const std::vector<char>& bytes, StoreWriteFault fault)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t allowed = fault.FailAfterBytes > done ? fault.FailAfterBytes - done : 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>({kChunk, bytes.size() - done, allowed}));
        DWORD written = 0;
        if (chunk == 0 || !WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written != chunk)
            return false;
        done += written;
    }
    return FlushFileBuffers(file) != FALSE;
}

} // namespace

StoreReadResult ReadStoreFile(const std::wstring& path, const std::function<void(ProxyProfile&&)>& take)
{
    const KernelHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    if (!file)
        return ReadFailure(GetLastError());
    StoreReader reader(file.Get());
    if (reader.Size() > kMaxStoreBytes)
        return StoreReadResult::TooLarge;
    char header[9] = {};
    const std::size_t headerRead = reader.Read(header, sizeof(header));
    if (reader.Error() != 0)
        return ReadFailure(reader.Error());
    if (headerRead != sizeof(header))
        return StoreReadResult::UnknownHeader;
    if (std::memcmp(header, kHeader110, sizeof(header)) == 0)
        ReadRecords(reader, Format::V110, take);
    else if (std::memcmp(header, kHeader100, sizeof(header)) == 0)
        ReadRecords(reader, Format::V100, take);
    else
        return StoreReadResult::UnknownHeader;
    // A region another program has locked fails the read part way: what came before is not the store.
    return reader.Error() != 0 ? ReadFailure(reader.Error()) : StoreReadResult::Read;
}

bool WriteStoreFile(const std::wstring& path, const std::vector<ProxyProfile>& records, StoreWriteFault fault)
{
    std::vector<char> bytes(kHeader110, kHeader110 + sizeof(kHeader110));
    for (const ProxyProfile& profile : records) {
        AppendNumber(bytes, profile.AutoDiscoveryFlags);
        AppendNumber(bytes, profile.ConnectionFlags);
        for (const std::wstring* field : {&profile.Name, &profile.ProxyServer, &profile.ProxyBypass,
                                          &profile.AutoConfigUrl, &profile.NdisName, &profile.AutoIp})
            AppendString(bytes, *field);
    }

    const std::wstring partial = path + L".new";
    bool complete = false;
    {
        const KernelHandle file = OpenFile(partial, GENERIC_WRITE, CREATE_ALWAYS);
        if (!file)
            return false;
        complete = WriteAll(file.Get(), bytes, fault);
    }
    // Another program reading the store (a backup, a virus scanner, a second look of our own)
    // holds it only for a moment: the replacement waits up to a second for it.
    for (int attempt = 0; complete && attempt < 20; ++attempt) {
        if (MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (!HeldByAnother(GetLastError()))
            break;
        Sleep(50);
    }
    DeleteFileW(partial.c_str());
    return false;
}

StoreKeepResult KeepStoreAside(const std::wstring& path, std::wstring& keptAs)
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[40] = {};
    std::swprintf(stamp, std::size(stamp), L".unreadable-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    const std::wstring base = path + stamp;
    for (int number = 1; number < 1000; ++number) {
        keptAs = number == 1 ? base : base + L"-" + std::to_wstring(number);
        if (CopyFileW(path.c_str(), keptAs.c_str(), TRUE))
            return StoreKeepResult::Kept;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            continue;
        keptAs.clear();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return StoreKeepResult::NothingThere;
        return HeldByAnother(error) ? StoreKeepResult::InUse : StoreKeepResult::Failed;
    }
    keptAs.clear();
    return StoreKeepResult::Failed;
}
