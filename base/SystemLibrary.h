#pragma once
#include <windows.h>

// Functions of a library that the program loads on first use rather than at start-up, when few
// runs need it and loading it costs the start-up time.
namespace SystemLibrary {

// The documented way to reach an export: its address cast to the declared type. Null when the
// library has no such function.
template <typename Function>
void Find(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace SystemLibrary
