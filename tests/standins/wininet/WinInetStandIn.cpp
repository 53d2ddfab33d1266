// Stand-in for the per-connection option calls and the URL cache calls of wininet.dll. It behaves
// as Windows does where Wine's own WinINet does not: every option round-trips exactly, a null
// string stays null, an empty one stays empty, returned strings come from GlobalAlloc. The cache
// holds what a test seeds, so that the cleanup walks known entries.
#include "CacheState.h"
#include "StandInState.h"

#include <windows.h>
// The header declares these functions as imports; this file defines them, so keep its
// declarations out of the way.
#define InternetSetOptionW StandInDeclaredSetOptionW
#define InternetQueryOptionW StandInDeclaredQueryOptionW
#define FindFirstUrlCacheEntryW StandInDeclaredFindFirstUrlCacheEntryW
#define FindNextUrlCacheEntryW StandInDeclaredFindNextUrlCacheEntryW
#define FindCloseUrlCache StandInDeclaredFindCloseUrlCache
#define DeleteUrlCacheEntryW StandInDeclaredDeleteUrlCacheEntryW
#include <wininet.h>
#undef InternetSetOptionW
#undef InternetQueryOptionW
#undef FindFirstUrlCacheEntryW
#undef FindNextUrlCacheEntryW
#undef FindCloseUrlCache
#undef DeleteUrlCacheEntryW

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

class RegKey {
public:
    explicit RegKey(const std::wstring& path)
    {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &m_key, nullptr) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RegKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

class StateMutex {
public:
    StateMutex() : m_mutex(CreateMutexW(nullptr, FALSE, GW_STANDIN_MUTEX))
    {
        if (m_mutex)
            WaitForSingleObject(m_mutex, INFINITE);
    }
    ~StateMutex()
    {
        if (m_mutex) {
            ReleaseMutex(m_mutex);
            CloseHandle(m_mutex);
        }
    }
    StateMutex(const StateMutex&) = delete;
    StateMutex& operator=(const StateMutex&) = delete;

private:
    HANDLE m_mutex;
};

enum class OptionKind { Number, String, Time, Unknown };

OptionKind KindOf(DWORD option)
{
    switch (option) {
    case INTERNET_PER_CONN_FLAGS:
    case INTERNET_PER_CONN_AUTODISCOVERY_FLAGS:
    case INTERNET_PER_CONN_AUTOCONFIG_RELOAD_DELAY_MINS:
    case INTERNET_PER_CONN_FLAGS_UI:
        return OptionKind::Number;
    case INTERNET_PER_CONN_PROXY_SERVER:
    case INTERNET_PER_CONN_PROXY_BYPASS:
    case INTERNET_PER_CONN_AUTOCONFIG_URL:
    case INTERNET_PER_CONN_AUTOCONFIG_SECONDARY_URL:
    case INTERNET_PER_CONN_AUTOCONFIG_LAST_DETECT_URL:
        return OptionKind::String;
    case INTERNET_PER_CONN_AUTOCONFIG_LAST_DETECT_TIME:
        return OptionKind::Time;
    default:
        return OptionKind::Unknown;
    }
}

std::wstring ConnectionKey(LPCWSTR connection)
{
    std::wstring path = GW_STANDIN_KEY;
    if (!connection)
        return path + L"\\Lan";
    // Windows compares connection names without regard to case.
    std::wstring name = connection;
    CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    return path + L"\\Named\\" + name;
}

DWORD DefaultNumber(DWORD option)
{
    return option == INTERNET_PER_CONN_FLAGS ? PROXY_TYPE_DIRECT : 0;
}

std::wstring Describe(const INTERNET_PER_CONN_OPTIONW& option)
{
    std::wstring text = std::to_wstring(option.dwOption) + L"=";
    wchar_t number[16];
    switch (KindOf(option.dwOption)) {
    case OptionKind::Number:
        wsprintfW(number, L"0x%X", option.Value.dwValue);
        return text + number;
    case OptionKind::String:
        if (!option.Value.pszValue)
            return text + L"(null)";
        return text + L"\"" + option.Value.pszValue + L"\"";
    case OptionKind::Time:
        return text + L"(time)";
    default:
        return text + L"(unknown)";
    }
}

void AppendCall(const std::wstring& line)
{
    RegKey key(GW_STANDIN_KEY);
    if (!key.Get())
        return;
    std::vector<wchar_t> calls;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), L"Calls", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && size >= sizeof(wchar_t)) {
        calls.resize(size / sizeof(wchar_t));
        RegQueryValueExW(key.Get(), L"Calls", nullptr, &type, reinterpret_cast<BYTE*>(calls.data()), &size);
        calls.resize(size / sizeof(wchar_t));
    }
    // Keep one terminator per line, then add the list's closing one.
    while (!calls.empty() && calls.back() == L'\0')
        calls.pop_back();
    if (!calls.empty())
        calls.push_back(L'\0');
    calls.insert(calls.end(), line.begin(), line.end());
    calls.push_back(L'\0');
    calls.push_back(L'\0');
    RegSetValueExW(key.Get(), L"Calls", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(calls.data()),
                   static_cast<DWORD>(calls.size() * sizeof(wchar_t)));
}

// A REG_DWORD switch of the state key: FailSet, FailQuery.
bool SwitchOn(const wchar_t* name)
{
    RegKey key(GW_STANDIN_KEY);
    DWORD value = 0;
    DWORD size = sizeof(value);
    return key.Get() && RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                         &size) == ERROR_SUCCESS && value != 0;
}

// Stands for a WinINet call that hangs: waits for the event that HoldQuery names, if any. It waits
// outside the state mutex, so that the test can change the settings meanwhile, and at most a
// minute, so that a test that never lets go does not hang its run.
void HoldQueryIfAsked()
{
    HANDLE event = nullptr;
    {
        RegKey key(GW_STANDIN_KEY);
        wchar_t name[MAX_PATH] = {};
        DWORD size = sizeof(name) - sizeof(wchar_t);
        DWORD type = 0;
        if (!key.Get() || RegQueryValueExW(key.Get(), L"HoldQuery", nullptr, &type, reinterpret_cast<BYTE*>(name),
                                           &size) != ERROR_SUCCESS || type != REG_SZ || !name[0])
            return;
        event = OpenEventW(SYNCHRONIZE, FALSE, name);
    }
    if (!event)
        return;
    {
        StateMutex guard;
        AppendCall(L"QueryOption 75 held");
    }
    WaitForSingleObject(event, 60000);
    CloseHandle(event);
}

void CountIn(HKEY key, const wchar_t* name, int change)
{
    DWORD count = 0;
    DWORD size = sizeof(count);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS)
        count = 0;
    count += change;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
}

// Windows' WinINet also writes every change of a connection's settings as a binary value under
// its Connections key (the LAN's among them), whose first two numbers are the format's version and
// a counter of changes: programs watch that key for changes, and the stand-in lets them.
void TouchConnectionsKey(LPCWSTR connection)
{
    RegKey key(L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections");
    if (!key.Get())
        return;
    const wchar_t* name = connection ? connection : L"SavedLegacySettings";
    DWORD header[2] = {0x46, 0};
    DWORD size = sizeof(header);
    RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(header), &size);
    header[0] = 0x46;
    ++header[1];
    RegSetValueExW(key.Get(), name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(header), sizeof(header));
}

BOOL SetPerConnection(const INTERNET_PER_CONN_OPTION_LISTW* list, DWORD length)
{
    if (!list || length < sizeof(INTERNET_PER_CONN_OPTION_LISTW) ||
        list->dwSize != sizeof(INTERNET_PER_CONN_OPTION_LISTW) || (list->dwOptionCount && !list->pOptions)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring line = L"SetOption 75 conn=";
    line += list->pszConnection ? std::wstring(L"\"") + list->pszConnection + L"\"" : L"(null)";
    for (DWORD i = 0; i < list->dwOptionCount; ++i)
        line += L" " + Describe(list->pOptions[i]);

    StateMutex guard;
    if (SwitchOn(L"FailSet")) {
        AppendCall(line + L" -> failed");
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return FALSE;
    }
    for (DWORD i = 0; i < list->dwOptionCount; ++i) {
        if (KindOf(list->pOptions[i].dwOption) == OptionKind::Unknown) {
            AppendCall(line + L" -> failed");
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    RegKey key(ConnectionKey(list->pszConnection));
    if (!key.Get()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    for (DWORD i = 0; i < list->dwOptionCount; ++i) {
        const INTERNET_PER_CONN_OPTIONW& option = list->pOptions[i];
        const std::wstring name = std::to_wstring(option.dwOption);
        switch (KindOf(option.dwOption)) {
        case OptionKind::Number:
            RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&option.Value.dwValue),
                           sizeof(DWORD));
            break;
        case OptionKind::String:
            if (option.Value.pszValue) {
                const DWORD bytes = static_cast<DWORD>((lstrlenW(option.Value.pszValue) + 1) * sizeof(wchar_t));
                RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(option.Value.pszValue), bytes);
            } else {
                RegDeleteValueW(key.Get(), name.c_str());
            }
            break;
        case OptionKind::Time:
            RegSetValueExW(key.Get(), name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(&option.Value.ftValue),
                           sizeof(FILETIME));
            break;
        case OptionKind::Unknown:
            break;
        }
    }
    TouchConnectionsKey(list->pszConnection);
    AppendCall(line);
    return TRUE;
}

LPWSTR ReadString(HKEY key, const std::wstring& name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return nullptr;
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    text[size / sizeof(wchar_t)] = L'\0';
    const std::size_t chars = lstrlenW(text.data()) + 1;
    auto* copy = static_cast<LPWSTR>(GlobalAlloc(GMEM_FIXED, chars * sizeof(wchar_t)));
    if (copy)
        CopyMemory(copy, text.data(), chars * sizeof(wchar_t));
    return copy;
}

BOOL QueryPerConnection(INTERNET_PER_CONN_OPTION_LISTW* list, const DWORD* length)
{
    if (!list || !length || *length < sizeof(INTERNET_PER_CONN_OPTION_LISTW) ||
        list->dwSize != sizeof(INTERNET_PER_CONN_OPTION_LISTW) || (list->dwOptionCount && !list->pOptions)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (DWORD i = 0; i < list->dwOptionCount; ++i) {
        if (KindOf(list->pOptions[i].dwOption) == OptionKind::Unknown) {
            list->dwOptionError = i;
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    HoldQueryIfAsked();
    if (SwitchOn(L"FailQuery")) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return FALSE;
    }
    StateMutex guard;
    CountIn(RegKey(GW_STANDIN_KEY).Get(), L"Queries", +1);
    RegKey key(ConnectionKey(list->pszConnection));
    for (DWORD i = 0; i < list->dwOptionCount; ++i) {
        INTERNET_PER_CONN_OPTIONW& option = list->pOptions[i];
        const std::wstring name = std::to_wstring(option.dwOption);
        switch (KindOf(option.dwOption)) {
        case OptionKind::Number: {
            DWORD value = DefaultNumber(option.dwOption);
            DWORD size = sizeof(value);
            DWORD type = 0;
            if (!key.Get() || RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                               &size) != ERROR_SUCCESS || type != REG_DWORD)
                value = DefaultNumber(option.dwOption);
            option.Value.dwValue = value;
            break;
        }
        case OptionKind::String:
            option.Value.pszValue = key.Get() ? ReadString(key.Get(), name) : nullptr;
            break;
        case OptionKind::Time: {
            FILETIME time{};
            DWORD size = sizeof(time);
            if (key.Get())
                RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&time), &size);
            option.Value.ftValue = time;
            break;
        }
        case OptionKind::Unknown:
            break;
        }
    }
    return TRUE;
}

using WinInetControl::CacheEntry;

// One cache enumeration: the URLs that matched when it began, so that deleting the entry just
// found, as callers do, does not disturb the walk. Entries deleted meanwhile are passed over.
struct CacheFindState {
    std::vector<std::wstring> Urls;
    std::size_t Next = 0;
};

// Enumerations of this process that are open; touched only under the state mutex.
std::set<CacheFindState*>& OpenFinds()
{
    static std::set<CacheFindState*> finds;
    return finds;
}

// The pattern "cookie:" picks the cookie entries, whose URLs begin "Cookie:", regardless of case;
// no pattern picks every entry.
bool MatchesPattern(const std::wstring& url, LPCWSTR pattern)
{
    if (!pattern || !*pattern)
        return true;
    const int length = lstrlenW(pattern);
    return static_cast<int>(url.size()) >= length &&
           CompareStringOrdinal(url.c_str(), length, pattern, length, TRUE) == CSTR_EQUAL;
}

// The structure, the URL after it and header text filling the rest up to the entry's size.
DWORD BytesNeeded(const CacheEntry& entry)
{
    const DWORD least = static_cast<DWORD>(sizeof(INTERNET_CACHE_ENTRY_INFOW) + (entry.Url.size() + 1) * sizeof(wchar_t));
    const DWORD size = std::max<DWORD>(least, entry.Size);
    return size + size % sizeof(wchar_t);
}

void FillEntry(const CacheEntry& entry, INTERNET_CACHE_ENTRY_INFOW* info, DWORD bytes)
{
    auto* base = reinterpret_cast<BYTE*>(info);
    ZeroMemory(base, bytes);
    info->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
    info->CacheEntryType = entry.Type;
    info->dwSizeLow = entry.Size;
    info->lpszSourceUrlName = reinterpret_cast<LPWSTR>(base + sizeof(INTERNET_CACHE_ENTRY_INFOW));
    CopyMemory(info->lpszSourceUrlName, entry.Url.c_str(), (entry.Url.size() + 1) * sizeof(wchar_t));
    info->lpHeaderInfo = info->lpszSourceUrlName + entry.Url.size() + 1;
    const DWORD headerChars = (bytes - static_cast<DWORD>(reinterpret_cast<BYTE*>(info->lpHeaderInfo) - base)) /
                              sizeof(wchar_t);
    if (headerChars > 0) {
        std::fill_n(info->lpHeaderInfo, headerChars - 1, L'x');
        info->dwHeaderInfoSize = (headerChars - 1) * sizeof(wchar_t);
    }
}

// Copies the enumeration's next entry into the caller's buffer. As in WinINet, a buffer too small
// reports the size needed and leaves the enumeration where it is.
BOOL NextCacheEntry(HKEY key, CacheFindState& find, INTERNET_CACHE_ENTRY_INFOW* info, LPDWORD size)
{
    const std::vector<CacheEntry> entries = WinInetControl::ReadCache(key);
    for (; find.Next < find.Urls.size(); ++find.Next) {
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const CacheEntry& e) { return e.Url == find.Urls[find.Next]; });
        if (entry == entries.end())
            continue;
        const DWORD bytes = BytesNeeded(*entry);
        if (!info || *size < bytes) {
            *size = bytes;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        FillEntry(*entry, info, bytes);
        *size = bytes;
        ++find.Next;
        return TRUE;
    }
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
}

} // namespace

extern "C" HANDLE WINAPI FindFirstUrlCacheEntryW(LPCWSTR pattern, LPINTERNET_CACHE_ENTRY_INFOW info, LPDWORD size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    StateMutex guard;
    RegKey key(GW_STANDIN_KEY);
    auto* find = new CacheFindState;
    for (const CacheEntry& entry : WinInetControl::ReadCache(key.Get())) {
        if (MatchesPattern(entry.Url, pattern))
            find->Urls.push_back(entry.Url);
    }
    if (!NextCacheEntry(key.Get(), *find, info, size)) {
        const DWORD error = GetLastError();
        delete find;
        SetLastError(error);
        return nullptr;
    }
    OpenFinds().insert(find);
    CountIn(key.Get(), L"OpenFinds", +1);
    SetLastError(ERROR_SUCCESS);
    return find;
}

extern "C" BOOL WINAPI FindNextUrlCacheEntryW(HANDLE handle, LPINTERNET_CACHE_ENTRY_INFOW info, LPDWORD size)
{
    StateMutex guard;
    auto* find = static_cast<CacheFindState*>(handle);
    if (!OpenFinds().contains(find)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RegKey key(GW_STANDIN_KEY);
    return NextCacheEntry(key.Get(), *find, info, size);
}

extern "C" BOOL WINAPI FindCloseUrlCache(HANDLE handle)
{
    StateMutex guard;
    auto* find = static_cast<CacheFindState*>(handle);
    if (OpenFinds().erase(find) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete find;
    RegKey key(GW_STANDIN_KEY);
    CountIn(key.Get(), L"OpenFinds", -1);
    return TRUE;
}

extern "C" BOOL WINAPI DeleteUrlCacheEntryW(LPCWSTR url)
{
    if (!url) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    StateMutex guard;
    RegKey key(GW_STANDIN_KEY);
    std::vector<CacheEntry> entries = WinInetControl::ReadCache(key.Get());
    const auto kept = std::remove_if(entries.begin(), entries.end(), [&](const CacheEntry& e) { return e.Url == url; });
    if (kept == entries.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    entries.erase(kept, entries.end());
    WinInetControl::WriteCache(key.Get(), entries);
    return TRUE;
}

extern "C" BOOL WINAPI InternetSetOptionW(HINTERNET, DWORD option, LPVOID buffer, DWORD length)
{
    switch (option) {
    case INTERNET_OPTION_PER_CONNECTION_OPTION:
        return SetPerConnection(static_cast<const INTERNET_PER_CONN_OPTION_LISTW*>(buffer), length);
    case INTERNET_OPTION_SETTINGS_CHANGED:
    case INTERNET_OPTION_REFRESH: {
        StateMutex guard;
        AppendCall(L"SetOption " + std::to_wstring(option));
        return TRUE;
    }
    default:
        SetLastError(ERROR_INTERNET_INVALID_OPTION);
        return FALSE;
    }
}

extern "C" BOOL WINAPI InternetQueryOptionW(HINTERNET, DWORD option, LPVOID buffer, LPDWORD length)
{
    if (option != INTERNET_OPTION_PER_CONNECTION_OPTION) {
        SetLastError(ERROR_INTERNET_INVALID_OPTION);
        return FALSE;
    }
    return QueryPerConnection(static_cast<INTERNET_PER_CONN_OPTION_LISTW*>(buffer), length);
}
