#include "cleanup/BrowserCleanup.h"
#include "standins/wininet/WinInetControl.h"
#include "support/SavedRegistryKey.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using WinInetControl::CacheEntry;

namespace {

CacheEntry Page(const wchar_t* url, unsigned long size = 0)
{
    return {url, WinInetControl::kNormalCacheEntry, size};
}

CacheEntry Cookie(const wchar_t* url, unsigned long size = 0)
{
    return {url, WinInetControl::kCookieCacheEntry, size};
}

TEST(CleanupCacheTest, DeletesWhatEachOperationCoversAndSucceedsOnlyAtTheEndOfTheCache)
{
    enum class Operation { Cache, Cookies };
    struct Case {
        const char* Name;
        Operation Run;
        std::vector<CacheEntry> Seeded;
        bool Result;
        std::vector<std::wstring> Left;
    };
    const Case cases[] = {
        {"a cookie first is skipped, the rest deleted", Operation::Cache,
         {Cookie(L"Cookie:ann@a.example/"), Page(L"http://a.example/"), Cookie(L"Cookie:ann@b.example/"),
          Page(L"http://b.example/site.css")},
         true, {L"Cookie:ann@a.example/", L"Cookie:ann@b.example/"}},
        {"a first entry over 16 KB grows the buffer", Operation::Cache,
         {Page(L"http://big.example/", 40000), Page(L"http://a.example/")}, true, {}},
        {"later entries over 16 KB grow it again and the walk goes on", Operation::Cache,
         {Page(L"http://a.example/"), Page(L"http://big.example/", 20000), Page(L"http://huge.example/", 70000),
          Page(L"http://b.example/")},
         true, {}},
        {"an empty cache", Operation::Cache, {}, false, {}},
        {"an empty cache", Operation::Cookies, {}, false, {}},
        {"a cache without cookies", Operation::Cookies, {Page(L"http://a.example/")}, false, {L"http://a.example/"}},
        {"only cookies are deleted", Operation::Cookies,
         {Page(L"http://a.example/"), Cookie(L"Cookie:ann@a.example/"), Page(L"http://b.example/"),
          Cookie(L"Cookie:ann@b.example/")},
         true, {L"http://a.example/", L"http://b.example/"}},
        {"only cookies, also when the first lookup is repeated with a larger buffer", Operation::Cookies,
         {Page(L"http://a.example/"), Cookie(L"Cookie:ann@big.example/", 30000), Page(L"http://b.example/"),
          Cookie(L"Cookie:ann@c.example/")},
         true, {L"http://a.example/", L"http://b.example/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WinInetControl::Reset();
        WinInetControl::SeedCache(c.Seeded);
        EXPECT_EQ(c.Run == Operation::Cache ? CleanCache() : CleanCookies(), c.Result);
        EXPECT_EQ(WinInetControl::CacheUrls(), c.Left);
        EXPECT_EQ(WinInetControl::OpenCacheFinds(), 0);
    }
    WinInetControl::Reset();
}

constexpr wchar_t kTypedUrlsPath[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";

// The user's typed addresses in the prefix's registry, put back as they were at the end.
class TypedUrlsKey {
public:
    // Leaves the key with just these values, each holding an address.
    static void Fill(const std::vector<std::wstring>& names)
    {
        for (const std::wstring& name : Names())
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kTypedUrlsPath, name.c_str());
        for (const std::wstring& name : names) {
            const std::wstring url = L"http://" + name + L".example/";
            RegSetKeyValueW(HKEY_CURRENT_USER, kTypedUrlsPath, name.c_str(), REG_SZ, url.c_str(),
                            static_cast<DWORD>((url.size() + 1) * sizeof(wchar_t)));
        }
    }

    static std::vector<std::wstring> Names()
    {
        std::vector<std::wstring> names;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kTypedUrlsPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return names;
        wchar_t name[16384];
        for (DWORD length = 16384; RegEnumValueW(key, static_cast<DWORD>(names.size()), name, &length, nullptr, nullptr,
                                                 nullptr, nullptr) == ERROR_SUCCESS;
             length = 16384)
            names.emplace_back(name);
        RegCloseKey(key);
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    SavedRegistryKey m_saved{kTypedUrlsPath};
};

TEST(CleanupTypedUrlsTest, DeletesTheNumberedAddressesUpToTheFirstGap)
{
    struct Case {
        const char* Name;
        std::vector<std::wstring> Before;
        std::vector<std::wstring> After;
    };
    const Case cases[] = {
        {"url3 missing: url4 stays", {L"url1", L"url2", L"url4"}, {L"url4"}},
        {"no url1: nothing deleted", {L"url0", L"url2", L"urls"}, {L"url0", L"url2", L"urls"}},
    };
    TypedUrlsKey saved;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TypedUrlsKey::Fill(c.Before);
        EXPECT_TRUE(CleanTypedUrls());
        EXPECT_EQ(TypedUrlsKey::Names(), c.After);
    }
    SCOPED_TRACE("no key at all");
    TypedUrlsKey::Fill({});
    RegDeleteKeyW(HKEY_CURRENT_USER, kTypedUrlsPath);
    EXPECT_TRUE(CleanTypedUrls());
}

std::wstring Expanded(const wchar_t* text)
{
    wchar_t expanded[MAX_PATH];
    ExpandEnvironmentStringsW(text, expanded, MAX_PATH);
    return expanded;
}

// Makes the folders of the index file that are missing and removes them, and the file, at the end.
class HistoryFolder {
public:
    explicit HistoryFolder(const std::wstring& profile) : m_folder(profile)
    {
        for (const wchar_t* part : {L"\\Local Settings", L"\\History", L"\\History.IE5"}) {
            m_folder += part;
            if (CreateDirectoryW(m_folder.c_str(), nullptr))
                m_created.push_back(m_folder);
        }
    }
    ~HistoryFolder()
    {
        DeleteFileW(IndexFile().c_str());
        for (auto folder = m_created.rbegin(); folder != m_created.rend(); ++folder)
            RemoveDirectoryW(folder->c_str());
    }
    HistoryFolder(const HistoryFolder&) = delete;
    HistoryFolder& operator=(const HistoryFolder&) = delete;

    [[nodiscard]] std::wstring IndexFile() const { return m_folder + L"\\index.dat"; }
    [[nodiscard]] bool IndexExists() const { return GetFileAttributesW(IndexFile().c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::wstring m_folder;
    std::vector<std::wstring> m_created;
};

TEST(CleanupHistoryTest, DeletesTheIndexFileWhenItCan)
{
    enum class Index { Missing, Present, HeldOpen };
    struct Case {
        const char* Name;
        Index State;
        bool Result;
    };
    const Case cases[] = {
        {"a missing file", Index::Missing, false},
        {"a file", Index::Present, true},
        {"a file that another program holds open", Index::HeldOpen, false},
    };
    const HistoryFolder folder(Expanded(L"%USERPROFILE%"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempFolder::WriteBytes(folder.IndexFile(), "Client UrlCache MMF Ver 5.2");
        if (c.State == Index::Missing)
            DeleteFileW(folder.IndexFile().c_str());
        HANDLE holder = c.State == Index::HeldOpen
                            ? CreateFileW(folder.IndexFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr)
                            : INVALID_HANDLE_VALUE;
        EXPECT_EQ(CleanHistory(), c.Result);
        EXPECT_EQ(folder.IndexExists(), c.State == Index::HeldOpen);
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
    }
}

TEST(CleanupHistoryTest, DeletesNothingWhenTheProfileFolderIsUnknown)
{
    // Unexpanded, the variable would name a folder below the current one.
    TempFolder temp;
    wchar_t previousFolder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previousFolder);
    SetCurrentDirectoryW(temp.Path().c_str());
    ScopedEnvironmentVariable noProfile(L"USERPROFILE", nullptr);
    CreateDirectoryW(temp.File(L"%userprofile%").c_str(), nullptr);
    {
        const HistoryFolder folder(temp.File(L"%userprofile%"));
        TempFolder::WriteBytes(folder.IndexFile(), "Client UrlCache MMF Ver 5.2");
        EXPECT_FALSE(CleanHistory());
        EXPECT_TRUE(folder.IndexExists());
    }
    SetCurrentDirectoryW(previousFolder);
}

} // namespace
