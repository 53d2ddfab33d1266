#pragma once
#include <windows.h>

#include <string>

// What the shell keeps in the current user's registry between runs: the main window's
// rectangle under the program's key, and the start-with-Windows entry under the Run key.
// Failures are silent: the previous state stays.
class RegistrySettings {
public:
    static constexpr const wchar_t* kSettingsKey = L"Software\\KELM\\Gatewarden";
    static constexpr const wchar_t* kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

    // The window's normal (restored) rectangle in screen coordinates, even while it is minimised.
    static void SaveWindowRect(const wchar_t* valueName, HWND window);
    // Moves the window to the stored rectangle when there is one that WindowPlace lets it use.
    static void RestoreWindowRect(const wchar_t* valueName, HWND window);
    [[nodiscard]] static RECT NormalRect(HWND window);

    [[nodiscard]] static bool IsRunAtStartup(const wchar_t* name);
    static void AddRunAtStartup(const wchar_t* name);
    static void RemoveRunAtStartup(const wchar_t* name);
};
