#include "crash/CrashFiles.h"

#include <windows.h>

#include <cwchar>

bool CrashFilePath(const wchar_t* extension, wchar_t (&path)[kCrashPathLength])
{
    // TEMP is read as an 8-bit string, as the system's oldest callers see it.
    char temp[MAX_PATH] = {};
    const DWORD tempLength = GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
    if (tempLength >= MAX_PATH)
        return false;
    wchar_t folder[MAX_PATH] = {};
    if (tempLength != 0 && MultiByteToWideChar(CP_ACP, 0, temp, -1, folder, MAX_PATH) == 0)
        return false;

    wchar_t module[MAX_PATH] = {};
    const DWORD moduleLength = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (moduleLength == 0 || moduleLength >= MAX_PATH)
        return false;
    const wchar_t* name = std::wcsrchr(module, L'\\');
    name = name != nullptr ? name + 1 : module;

    const int written = std::swprintf(path, kCrashPathLength, L"%ls\\%ls%ls", folder, name, extension);
    return written > 0 && static_cast<std::size_t>(written) < kCrashPathLength;
}
