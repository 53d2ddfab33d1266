#include "standins/wininet/WinInetControl.h"

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

void SetFailing(bool failing)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, GW_STANDIN_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        const DWORD value = failing ? 1 : 0;
        RegSetValueExW(key, L"FailSet", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }
}

} // namespace WinInetControl
