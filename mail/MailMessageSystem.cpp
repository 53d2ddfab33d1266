// The message's side that meets the system: its clock, and files attached from disk with the
// content types the registry gives their extensions.
#include "mail/MailMessage.h"

#include "base/UniqueHandle.h"
#include "mail/SystemClock.h"

#include <windows.h>

namespace KEMail {
namespace {

constexpr DWORD kMaxContentTypeChars = 260;

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

}  // namespace

MailMessage::MailMessage() : m_date(CurrentUtc()), m_zoneOffset(CurrentZoneOffset()) {}

std::uint32_t MailMessage::BoundaryStamp()
{
    return GetTickCount();
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

}  // namespace KEMail
