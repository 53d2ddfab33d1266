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

TEST(AppFolders, AppDataFoldersExistWithoutTrailingBackslashAndEnsureCreatesTheNamedTreeBelowThem)
{
    const std::wstring name = L"GatewardenTests-" + std::to_wstring(GetCurrentProcessId());
    struct Case {
        bool (*Ensure)(const std::wstring&);
        std::wstring Base;
    };
    const Case cases[] = {{EnsureAppFolder, GetAppDataFolder()}, {EnsureCommonAppFolder, GetCommonAppDataFolder()}};
    EXPECT_NE(cases[0].Base, cases[1].Base);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Base));
        ASSERT_GT(c.Base.size(), 3u);
        EXPECT_NE(c.Base.back(), L'\\');
        EXPECT_TRUE(IsFolder(c.Base));
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
    EXPECT_EQ(GetFileLocalWriteTime(temp.File(L"missing.txt")), 0u);
    // Last writes in UTC, in winter and in summer time.
    for (const SYSTEMTIME& utc : {SYSTEMTIME{2007, 1, 0, 15, 10, 0, 0, 0}, SYSTEMTIME{2007, 7, 0, 15, 23, 0, 0, 0}}) {
        SCOPED_TRACE(utc.wMonth);
        const std::wstring path = temp.File(std::to_wstring(utc.wMonth) + L".txt");
        TempFolder::WriteBytes(path, "x");
        FILETIME written, local;
        SystemTimeToFileTime(&utc, &written);
        const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
        FileTimeToLocalFileTime(&written, &local);
        EXPECT_EQ(GetFileLocalWriteTime(path), (static_cast<std::uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime);
    }
}

} // namespace
