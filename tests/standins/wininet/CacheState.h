#pragma once
// The stand-in's URL cache in the state key: the value "Cache" holds one line per entry,
// "<type in hex> <size> <url>", in enumeration order. Shared by the stand-in and WinInetControl.
#include "CacheEntry.h"
#include "StandInState.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace WinInetControl {

inline std::vector<CacheEntry> ReadCache(HKEY key)
{
    std::vector<CacheEntry> entries;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"Cache", nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
        return entries;
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 2, L'\0');
    RegQueryValueExW(key, L"Cache", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    for (const wchar_t* line = text.data(); *line; line += lstrlenW(line) + 1) {
        wchar_t* end = nullptr;
        CacheEntry entry;
        entry.Type = std::wcstoul(line, &end, 16);
        entry.Size = std::wcstoul(end, &end, 10);
        entry.Url = *end == L' ' ? end + 1 : end;
        entries.push_back(entry);
    }
    return entries;
}

inline void WriteCache(HKEY key, const std::vector<CacheEntry>& entries)
{
    std::wstring text;
    for (const CacheEntry& entry : entries) {
        wchar_t head[32];
        wsprintfW(head, L"%lX %lu ", entry.Type, entry.Size);
        text += head + entry.Url;
        text.push_back(L'\0');
    }
    text.push_back(L'\0');
    if (entries.empty())
        RegDeleteValueW(key, L"Cache");
    else
        RegSetValueExW(key, L"Cache", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(text.data()),
                       static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

} // namespace WinInetControl
