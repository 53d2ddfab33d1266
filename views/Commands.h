#pragma once
#include "resources/ResourceIds.h"

#include <windows.h>

// The main window's commands: the WM_COMMAND ids that its menu bar, the tray menu, the main view,
// the tests and the scripts (through tools/appdriver) send it.
namespace Command {
inline constexpr UINT CloseToTray = ID_FILE_CLOSE_TO_TRAY;  // in the menu resource
inline constexpr UINT TurnOff = 0x8004;
inline constexpr UINT Help = 0x8005;
inline constexpr UINT HomePage = 0x8006;
inline constexpr UINT Feedback = 0x8007;
inline constexpr UINT MakerPage = 0x8008;
inline constexpr UINT About = 0x8009;
inline constexpr UINT CleanCache = 0x8010;
inline constexpr UINT CleanCookies = 0x8011;
inline constexpr UINT CleanHistory = 0x8012;
inline constexpr UINT CleanTypedUrls = 0x8013;
inline constexpr UINT CleanAll = 0x8014;
inline constexpr UINT Activate = 0x8015;
inline constexpr UINT NewProxy = 0x8016;
inline constexpr UINT DeleteProxy = 0x8017;
inline constexpr UINT EditProxy = 0x8018;
inline constexpr UINT AppExit = 0xE102;
// Only builds for the tests act on these; no menu shows them.
inline constexpr UINT CrashHere = 0x8F01;
inline constexpr UINT CrashOnThread = 0x8F02;
} // namespace Command

// The texts of the menu items that more than one menu shows.
namespace MenuText {
inline constexpr wchar_t TurnOff[] = L"Turn off Gatewarden";
inline constexpr wchar_t About[] = L"About Gatewarden...";
inline constexpr wchar_t Activate[] = L"Activate";
inline constexpr wchar_t NewProxy[] = L"New Proxy Settings\tCtrl+N";
inline constexpr wchar_t DeleteProxy[] = L"Delete Proxy\tDel";
inline constexpr wchar_t EditProxy[] = L"Edit Proxy\tEnter";
inline constexpr wchar_t CleanCache[] = L"Cleanup IE Cache";
inline constexpr wchar_t CleanCookies[] = L"Cleanup IE Cookies";
inline constexpr wchar_t CleanHistory[] = L"Cleanup IE History";
inline constexpr wchar_t CleanTypedUrls[] = L"Cleanup IE Address Bar History";
inline constexpr wchar_t CleanAll[] = L"Cleanup all";
} // namespace MenuText
