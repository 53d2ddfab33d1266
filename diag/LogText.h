#pragma once
// The text pieces of the HTML log, apart from the file that holds them.
#include <cstdarg>
#include <cstddef>
#include <string>

#include "diag/LogService.h"

inline constexpr std::size_t kLogMessageLimit = 1024;

// By the wvsprintf rules, cut at kLogMessageLimit characters.
[[nodiscard]] std::wstring FormatLogMessage(const wchar_t* format, va_list args);
// The same rules for the texts the program shows (status lines, message boxes).
[[nodiscard]] std::wstring FormatText(const wchar_t* format, ...);
// Through the ANSI code page, as the program converts every narrow text.
[[nodiscard]] std::wstring WidenAnsi(const char* text);
// Through the C library's wide-to-multibyte conversion of the current locale; a character that
// has no bytes there becomes '?' instead of spoiling the rest of the row.
[[nodiscard]] std::string ToLocaleBytes(const std::wstring& text);

// The row's bgcolor value; empty for a level without a colour.
[[nodiscard]] const wchar_t* LogRowColour(LogLevel level);
// "Windows XP Build: 2600 <br>\n Service Pack 3<br>\n " for the given version.
[[nodiscard]] std::wstring DescribeWindows(unsigned major, unsigned minor, unsigned build,
                                           const std::wstring& servicePack);
// DescribeWindows of the running system.
[[nodiscard]] std::wstring DescribeThisWindows();
