#include "standins/wininet/WinInetControl.h"

#include "standins/wininet/CacheState.h"
#include "standins/wininet/StandInState.h"

#include <windows.h>

namespace WinInetControl {

void Reset()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, GW_STANDIN_KEY);
}

std::vector<std::wstring> Calls()
{
    std::vector<std::wstring> lines;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, GW_STANDIN_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return lines;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"Calls", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_MULTI_SZ) {
        std::vector<wchar_t> text(size / sizeof(wchar_t) + 2, L'\0');
        RegQueryValueExW(key, L"Calls", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
        for (const wchar_t* line = text.data(); *line; line += lstrlenW(line) + 1)
            lines.emplace_back(line);
    }
    RegCloseKey(key);
    return lines;
}

void ClearCalls()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, GW_STANDIN_KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"Calls");
        RegCloseKey(key);
    }
}

namespace {

void SetStateValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, GW_STANDIN_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
}

void SetSwitch(const wchar_t* name, bool on)
{
    const DWORD value = on ? 1 : 0;
    SetStateValue(name, REG_DWORD, &value, sizeof(value));
}

} // namespace

void SetFailing(bool failing)
{
    SetSwitch(L"FailSet", failing);
}

void SetQueryFailing(bool failing)
{
    SetSwitch(L"FailQuery", failing);
}

void HoldQueries(const std::wstring& eventName)
{
    SetStateValue(L"HoldQuery", REG_SZ, eventName.c_str(), static_cast<DWORD>((eventName.size() + 1) * sizeof(wchar_t)));
}

void SeedCache(const std::vector<CacheEntry>& entries)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, GW_STANDIN_KEY, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        WriteCache(key, entries);
        RegCloseKey(key);
    }
}

std::vector<std::wstring> CacheUrls()
{
    std::vector<std::wstring> urls;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, GW_STANDIN_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return urls;
    for (const CacheEntry& entry : ReadCache(key))
        urls.push_back(entry.Url);
    RegCloseKey(key);
    return urls;
}

namespace {

int Counted(const wchar_t* name)
{
    DWORD count = 0;
    DWORD size = sizeof(count);
    RegGetValueW(HKEY_CURRENT_USER, GW_STANDIN_KEY, name, RRF_RT_REG_DWORD, nullptr, &count, &size);
    return static_cast<int>(count);
}

} // namespace

int Queries()
{
    return Counted(L"Queries");
}

int OpenCacheFinds()
{
    return Counted(L"OpenFinds");
}

} // namespace WinInetControl
