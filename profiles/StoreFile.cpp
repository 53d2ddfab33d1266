#include "profiles/StoreFile.h"

#include "base/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

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

std::wstring DecodeAnsi(std::string_view text)
{
    const int length = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(std::max(wide, 0)), L'\0');
    if (wide > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), wide);
    return result;
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
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxStoreBytes)
        return StoreReadResult::TooLarge;
    DWORD error = 0;
    StoreReader reader(
        [&](char* target, std::size_t count) -> std::size_t {
            DWORD got = 0;
            if (ReadFile(file.Get(), target, static_cast<DWORD>(count), &got, nullptr) != FALSE)
                return got;
            error = GetLastError();
            return 0;
        },
        static_cast<std::uint64_t>(size.QuadPart));
    const StoreReadResult result = ReadStoreRecords(reader, DecodeAnsi, take);
    // A region another program has locked fails the read part way: what came before is not the store.
    return error != 0 ? ReadFailure(error) : result;
}

bool WriteStoreFile(const std::wstring& path, const std::vector<ProxyProfile>& records, StoreWriteFault fault)
{
    const std::vector<char> bytes = FormatStoreFile(records);

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
