#include "diag/AppFolders.h"

#include <windows.h>
#include <shlobj.h>

namespace {

std::wstring SpecialFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::wstring GetAppDataFolder()
{
    return SpecialFolder(CSIDL_APPDATA);
}

std::wstring GetCommonAppDataFolder()
{
    return SpecialFolder(CSIDL_COMMON_APPDATA);
}

bool CreateFolderTree(const std::wstring& path)
{
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    for (std::size_t slash = path.find(L'\\', 1);; slash = path.find(L'\\', slash + 1)) {
        const bool last = slash == std::wstring::npos;
        const std::wstring prefix = last ? path : path.substr(0, slash + 1);
        if (!CreateDirectoryW(prefix.c_str(), nullptr)) {
            const bool driveRoot = !last && slash == 2 && path[1] == L':';
            const bool exists = GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(prefix);
            if (!driveRoot && !exists)
                return false;
        }
        if (last)
            break;
    }
    return IsFolder(path);
}

bool EnsureAppFolder(const std::wstring& name)
{
    return CreateFolderTree(GetAppDataFolder() + L"\\" + name);
}

bool EnsureCommonAppFolder(const std::wstring& name)
{
    return CreateFolderTree(GetCommonAppDataFolder() + L"\\" + name);
}

std::uint64_t GetFileLocalWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    FILETIME local;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local))
        return 0;
    return (static_cast<std::uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
}
