#include "app/RegistrySettings.h"

#include "app/WindowPlace.h"
#include "base/UniqueHandle.h"

#include <optional>
#include <string_view>

namespace {

enum class IfMissing { Fail, Create };

// Opened for reading and writing; empty when it could not be.
RegistryKey OpenKey(const wchar_t* path, IfMissing missing)
{
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ | KEY_WRITE, key.Put()) == ERROR_SUCCESS)
        return key;
    // What a failed call leaves there is no key.
    static_cast<void>(key.Release());
    if (missing == IfMissing::Create && RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        static_cast<void>(key.Release());
    return key;
}

// The whole path, however deep the folder: a cut one would never match the Run entry.
std::wstring ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// A string value at its real size; empty when it is missing or not a string.
std::wstring ReadString(HKEY key, const wchar_t* name)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return {};
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read);
        if (result == ERROR_MORE_DATA)
            continue;  // it grew in between
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return {};
        // Stored with or without its terminator.
        text.resize(read / sizeof(wchar_t));
        return text.substr(0, text.find(L'\0'));
    }
    return {};
}

} // namespace

void RegistrySettings::SaveWindowRect(const wchar_t* valueName, HWND window)
{
    const RECT rect = NormalRect(window);
    const LONG values[4] = {rect.left, rect.top, rect.right, rect.bottom};
    const RegistryKey key = OpenKey(kSettingsKey, IfMissing::Create);
    if (key)
        RegSetValueExW(key.Get(), valueName, 0, REG_BINARY, reinterpret_cast<const BYTE*>(values), sizeof(values));
}

void RegistrySettings::RestoreWindowRect(const wchar_t* valueName, HWND window)
{
    const RegistryKey key = OpenKey(kSettingsKey, IfMissing::Create);
    if (!key)
        return;
    LONG values[4] = {};
    DWORD type = 0;
    DWORD size = sizeof(values);
    if (RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(values), &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof(values))
        return;
    const std::optional<RECT> place =
        WindowPlace::Usable(values, WindowPlace::MinimumSize(window), WindowPlace::Monitors());
    if (place)
        MoveWindow(window, place->left, place->top, place->right - place->left, place->bottom - place->top, TRUE);
}

RECT RegistrySettings::NormalRect(HWND window)
{
    // Minimised or maximised, the window's own rectangle is not the one to come back to.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    RECT rect{};
    if (!GetWindowPlacement(window, &placement)) {
        GetWindowRect(window, &rect);
        return rect;
    }
    rect = placement.rcNormalPosition;
    // A top-level window's normal place counts from the work area of its monitor, not the screen.
    if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0 &&
        (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0) {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
            OffsetRect(&rect, info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top);
    }
    return rect;
}

bool RegistrySettings::IsRunAtStartup(const wchar_t* name)
{
    const std::wstring path = ExecutablePath();
    const RegistryKey key = OpenKey(kRunKey, IfMissing::Fail);
    if (!key)
        return true;
    const std::wstring value = ReadString(key.Get(), name);
    // Entries are written with the path quoted; older ones without quotes stay recognised.
    const bool quoted = !value.empty() && value[0] == L'"';
    const std::wstring_view command = std::wstring_view(value).substr(quoted ? 1 : 0);
    return !path.empty() && command.starts_with(path) &&
           (!quoted || (command.size() > path.size() && command[path.size()] == L'"'));
}

void RegistrySettings::AddRunAtStartup(const wchar_t* name)
{
    // Quoted: an unquoted path with spaces could start another program (C:\Program.exe).
    const std::wstring command = L"\"" + ExecutablePath() + L"\" /s";
    const RegistryKey key = OpenKey(kRunKey, IfMissing::Fail);
    if (key)
        RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

void RegistrySettings::RemoveRunAtStartup(const wchar_t* name)
{
    const RegistryKey key = OpenKey(kRunKey, IfMissing::Fail);
    if (key)
        RegDeleteValueW(key.Get(), name);
}
