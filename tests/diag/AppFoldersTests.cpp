#include "diag/AppFolders.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(AppFolders, CreateFolderTreeMakesEveryMissingLevelAndRefusesFilesInTheWay)
{
    TempFolder temp;
    TempFolder::WriteBytes(temp.File(L"file.txt"), "not a folder");
    struct Case {
        std::wstring Path;
        bool Expected;
    };
    const Case cases[] = {
        {temp.File(L"a\\b\\c"), true},
        {temp.File(L"a\\b\\c"), true},  // already there
        {temp.File(L"d\\e\\"), true},
        {temp.File(L"a\\f"), true},
        {temp.File(L"file.txt"), false},
        {temp.File(L"file.txt\\below"), false},
        {L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Path));
        EXPECT_EQ(CreateFolderTree(c.Path), c.Expected);
        if (c.Expected) {
            EXPECT_TRUE(IsFolder(c.Path));
        }
    }
    EXPECT_EQ(TempFolder::ReadBytes(temp.File(L"file.txt")), "not a folder");
}

TEST(AppFolders, AppDataFoldersExistWithoutTrailingBackslash)
{
    for (const std::wstring& folder : {GetAppDataFolder(), GetCommonAppDataFolder()}) {
        SCOPED_TRACE(testing::PrintToString(folder));
        ASSERT_GT(folder.size(), 3u);
        EXPECT_NE(folder.back(), L'\\');
        EXPECT_TRUE(IsFolder(folder));
    }
    EXPECT_NE(GetAppDataFolder(), GetCommonAppDataFolder());
}

TEST(AppFolders, EnsureFoldersCreateTheNamedTreeBelowTheirAppDataFolder)
{
    const std::wstring name = L"GatewardenTests-" + std::to_wstring(GetCurrentProcessId());
    struct Case {
        bool (*Ensure)(const std::wstring&);
        std::wstring Base;
    };
    const Case cases[] = {{EnsureAppFolder, GetAppDataFolder()}, {EnsureCommonAppFolder, GetCommonAppDataFolder()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Base));
        const std::wstring top = c.Base + L"\\" + name;
        EXPECT_TRUE(c.Ensure(name + L"\\inner"));
        EXPECT_TRUE(IsFolder(top + L"\\inner"));
        EXPECT_TRUE(c.Ensure(name + L"\\inner"));
        RemoveDirectoryW((top + L"\\inner").c_str());
        RemoveDirectoryW(top.c_str());
    }
}

TEST(AppFolders, FileLocalWriteTimeIsTheLastWriteInLocalTimeOrZero)
{
    TempFolder temp;
    struct Case {
        const wchar_t* Name;
        WORD Year, Month, Day, Hour;  // last write in UTC; 0 for a file that is not there
    };
    const Case cases[] = {
        {L"winter.txt", 2007, 1, 15, 10}, {L"summer.txt", 2007, 7, 15, 23}, {L"missing.txt", 0, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.Name)));
        const std::wstring path = temp.File(c.Name);
        if (c.Year == 0) {
            EXPECT_EQ(GetFileLocalWriteTime(path), 0u);
            continue;
        }
        TempFolder::WriteBytes(path, "x");
        SYSTEMTIME utc = {};
        utc.wYear = c.Year;
        utc.wMonth = c.Month;
        utc.wDay = c.Day;
        utc.wHour = c.Hour;
        FILETIME written, local;
        SystemTimeToFileTime(&utc, &written);
        const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
        FileTimeToLocalFileTime(&written, &local);
        const std::uint64_t expected = (static_cast<std::uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
        EXPECT_EQ(GetFileLocalWriteTime(path), expected);
    }
}

} // namespace
