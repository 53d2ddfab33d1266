#pragma once
#include <windows.h>

#include <cwchar>

// Functions of a library that the program loads on first use rather than at start-up, when few
// runs need it and loading it costs the start-up time.
namespace SystemLibrary {

// A library from the system folder only (never one of that name beside the program or in the
// working folder), loaded for the rest of the process; null when it cannot be. Uses no heap, so
// that the crash filter may call it too.
inline HMODULE Load(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    const std::size_t nameLength = std::wcslen(fileName);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    std::wmemcpy(path + length + 1, fileName, nameLength + 1);
    return LoadLibraryW(path);
}

// The documented way to reach an export: its address cast to the declared type. Null when the
// library has no such function.
template <typename Function>
void Find(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A table of a library's functions, filled by `fill(module, table)` once the library is loaded;
// every entry stays null when it cannot be. Callers keep it in a function's static, so that the
// library loads on the first call and stays loaded to the end of the process.
template <typename Functions, typename Fill>
Functions Table(const wchar_t* fileName, Fill fill)
{
    Functions found{};
    if (HMODULE module = Load(fileName))
        fill(module, found);
    return found;
}

} // namespace SystemLibrary
