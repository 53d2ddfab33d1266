#pragma once
#include <cstdint>
#include <string>

// The per-user and all-users application-data folders, created if missing; no trailing backslash.
[[nodiscard]] std::wstring GetAppDataFolder();
[[nodiscard]] std::wstring GetCommonAppDataFolder();
// Creates a folder and every missing parent; true when the path is a folder at the end.
bool CreateFolderTree(const std::wstring& path);
bool EnsureAppFolder(const std::wstring& name);
bool EnsureCommonAppFolder(const std::wstring& name);
// The file's last-write time as a local 64-bit file time; 0 when the file is not found.
[[nodiscard]] std::uint64_t GetFileLocalWriteTime(const std::wstring& path);
