#pragma once
// A key of the current user's registry that a test may change at will: its tree is moved aside
// at the start, so the test begins without it, and put back as it was at the end.
#include <windows.h>

#include <algorithm>
#include <string>

class SavedRegistryKey {
public:
    explicit SavedRegistryKey(std::wstring path) : m_path(std::move(path))
    {
        std::wstring name = m_path;
        std::replace(name.begin(), name.end(), L'\\', L'/');
        m_backup = L"Software\\Gatewarden Tests\\Saved\\" + name;
        RegDeleteTreeW(HKEY_CURRENT_USER, m_backup.c_str());
        m_had = Move(m_path, m_backup);
    }
    ~SavedRegistryKey()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        if (m_had)
            Move(m_backup, m_path);
    }
    SavedRegistryKey(const SavedRegistryKey&) = delete;
    SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

private:
    // Moves the tree from one key to the other; false when there was none to move.
    static bool Move(const std::wstring& from, const std::wstring& to)
    {
        HKEY source = nullptr, target = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, from.c_str(), 0, KEY_READ, &source) != ERROR_SUCCESS)
            return false;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) ==
            ERROR_SUCCESS) {
            RegCopyTreeW(source, nullptr, target);
            RegCloseKey(target);
        }
        RegCloseKey(source);
        RegDeleteTreeW(HKEY_CURRENT_USER, from.c_str());
        return true;
    }

    std::wstring m_path;
    std::wstring m_backup;
    bool m_had = false;
};
