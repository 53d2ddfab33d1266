#pragma once
// The system's ANSI code page, where the fuzz build has no system: Windows-1252, as the
// program's machines mostly have it. Characters it lacks become "?", as Windows writes them.
#include <string>
#include <string_view>

[[nodiscard]] std::wstring DecodeWindows1252(std::string_view text);
[[nodiscard]] std::string EncodeWindows1252(std::wstring_view text);
