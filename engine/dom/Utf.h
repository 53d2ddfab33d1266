#pragma once
#include <string>
#include <string_view>

namespace Engine {

// Text enters the engine as UTF-8 and lives in it as UTF-16. Bytes that are not UTF-8 are
// taken as Windows-1252, the code page desktop pages were written in before UTF-8.
[[nodiscard]] std::wstring Utf8ToWide(std::string_view bytes);
[[nodiscard]] std::string WideToUtf8(std::wstring_view text);
void AppendCodePoint(std::wstring& out, char32_t codePoint);
[[nodiscard]] char32_t Windows1252ToUnicode(unsigned char byte);
// Attribute values such as "type" compare without regard to the case of ASCII letters.
[[nodiscard]] bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

} // namespace Engine
