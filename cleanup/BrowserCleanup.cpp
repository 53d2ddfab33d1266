#include "cleanup/BrowserCleanup.h"

#include "base/UniqueHandle.h"

#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kFirstEntryBufferSize = 16384;

// Room for one INTERNET_CACHE_ENTRY_INFOW and the strings that follow it; its size field holds the
// buffer's size.
class EntryBuffer {
public:
    EntryBuffer() { Allocate(kFirstEntryBufferSize); }

    // The count that a lookup reads and overwrites: it offers the whole buffer each time, since a
    // successful lookup leaves there only the bytes it used.
    DWORD* Size()
    {
        m_size = static_cast<DWORD>(m_bytes.size());
        return &m_size;
    }
    // After a lookup that failed with ERROR_INSUFFICIENT_BUFFER. False when the size it reported is
    // no more than the buffer has, which no retry could mend.
    [[nodiscard]] bool GrowToReportedSize()
    {
        if (m_size <= m_bytes.size())
            return false;
        Allocate(m_size);
        return true;
    }
    [[nodiscard]] INTERNET_CACHE_ENTRY_INFOW* Entry()
    {
        return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(m_bytes.data());
    }

private:
    void Allocate(DWORD size)
    {
        // A fresh vector rather than a resize: the old entry's bytes need no copying.
        m_bytes = std::vector<unsigned char>(size);
        Entry()->dwStructSize = size;
    }

    std::vector<unsigned char> m_bytes;
    DWORD m_size = 0;
};

// One enumeration of the URL cache, closed when it goes out of scope.
class CacheFind {
public:
    CacheFind() = default;
    ~CacheFind()
    {
        if (m_handle)
            FindCloseUrlCache(m_handle);
    }
    CacheFind(const CacheFind&) = delete;
    CacheFind& operator=(const CacheFind&) = delete;

    [[nodiscard]] bool First(const wchar_t* pattern, EntryBuffer& buffer)
    {
        m_handle = FindFirstUrlCacheEntryW(pattern, buffer.Entry(), buffer.Size());
        if (!m_handle && GetLastError() == ERROR_INSUFFICIENT_BUFFER && buffer.GrowToReportedSize())
            m_handle = FindFirstUrlCacheEntryW(pattern, buffer.Entry(), buffer.Size());
        return m_handle != nullptr;
    }

    // False at the end of the walk, with the error that ended it in EndError().
    [[nodiscard]] bool Next(EntryBuffer& buffer)
    {
        // Each retry has a larger buffer than the last, so an entry that keeps growing cannot hang it.
        while (!FindNextUrlCacheEntryW(m_handle, buffer.Entry(), buffer.Size())) {
            m_endError = GetLastError();
            if (m_endError != ERROR_INSUFFICIENT_BUFFER || !buffer.GrowToReportedSize())
                return false;
        }
        return true;
    }
    [[nodiscard]] DWORD EndError() const { return m_endError; }

private:
    HANDLE m_handle = nullptr;
    DWORD m_endError = ERROR_SUCCESS;
};

enum class CacheWalk { AllButCookies, CookiesOnly };

bool WalkCache(CacheWalk walk)
{
    const wchar_t* pattern = walk == CacheWalk::CookiesOnly ? L"cookie:" : nullptr;
    EntryBuffer buffer;
    CacheFind find;
    if (!find.First(pattern, buffer))
        return false;
    do {
        const INTERNET_CACHE_ENTRY_INFOW* entry = buffer.Entry();
        if (walk == CacheWalk::CookiesOnly || (entry->CacheEntryType & COOKIE_CACHE_ENTRY) == 0)
            DeleteUrlCacheEntryW(entry->lpszSourceUrlName);
    } while (find.Next(buffer));
    return find.EndError() == ERROR_NO_MORE_ITEMS;
}

} // namespace

bool CleanCache()
{
    return WalkCache(CacheWalk::AllButCookies);
}

bool CleanCookies()
{
    return WalkCache(CacheWalk::CookiesOnly);
}

bool CleanHistory()
{
    wchar_t profile[520];
    const DWORD length = ExpandEnvironmentStringsW(L"%userprofile%", profile, 520);
    // Unexpanded, the text would name a folder relative to the current one.
    if (length == 0 || length > 520 || profile[0] == L'%')
        return false;
    const std::wstring path = std::wstring(profile) + L"\\Local Settings\\History\\History.IE5\\index.dat";
    return DeleteFileW(path.c_str()) != FALSE;
}

bool CleanTypedUrls()
{
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\TypedURLs", 0, KEY_SET_VALUE,
                      key.Put()) != ERROR_SUCCESS) {
        static_cast<void>(key.Release());  // what a failed call leaves there is no key
        return true;
    }
    for (int n = 1;; ++n) {
        const std::wstring name = L"url" + std::to_wstring(n);
        if (RegDeleteValueW(key.Get(), name.c_str()) != ERROR_SUCCESS)
            break;
    }
    return true;
}
