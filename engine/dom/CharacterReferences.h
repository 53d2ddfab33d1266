#pragma once
#include <string>
#include <string_view>

namespace Engine {

// The named references of HTML 4 (the set desktop pages use) and numeric ones.
class CharacterReferences {
public:
    // Decodes the reference that starts at text[at] ('&'); on success appends it to out and
    // returns the number of characters it took, else 0.
    [[nodiscard]] static std::size_t Decode(std::wstring_view text, std::size_t at, std::wstring& out,
                                            bool inAttribute);
    // The name the serializer writes for a character, or empty.
    [[nodiscard]] static std::string_view NameFor(char32_t codePoint);
    [[nodiscard]] static char32_t Lookup(std::string_view name);
};

} // namespace Engine
