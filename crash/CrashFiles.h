#pragma once
// Where the crash files go: the folder named by TEMP and the running executable's own file name.
#include <cstddef>

inline constexpr std::size_t kCrashPathLength = 2 * 260 + 16;

// "<TEMP>\<exe>" followed by the extension (".dmp", ".xml"), built in the caller's buffer without
// touching the heap. TEMP unset leaves the folder empty, so the path starts at the drive's root.
// False when the result would not fit.
bool CrashFilePath(const wchar_t* extension, wchar_t (&path)[kCrashPathLength]);
