#pragma once
// The names the XML report gives to numbers of the system.
#include <windows.h>

// The Windows constant's name of an exception code; "EXCEPTION_UNKNOWN" for any other code.
[[nodiscard]] const wchar_t* ExceptionDescription(DWORD code);
// The Windows constant's name of a processor architecture; "Unknown" for any other number.
[[nodiscard]] const wchar_t* ArchitectureName(WORD architecture);
// The Intel processor of a processor level; "Unknown" outside 3 to 15.
[[nodiscard]] const wchar_t* IntelProcessorName(WORD level);
