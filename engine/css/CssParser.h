#pragma once
#include "engine/css/StyleSheet.h"

#include <string_view>
#include <vector>

namespace Engine {

// Style sheets and style attributes. Every declaration is kept as written, known or not; a rule
// whose selector is not understood is dropped whole, as CSS wants.
class CssParser {
public:
    static constexpr std::size_t kMaxRules = 20000;
    static constexpr std::size_t kMaxDeclarations = 1000;  // per block
    static constexpr int kMaxMediaNesting = 8;

    [[nodiscard]] static StyleSheet ParseStyleSheet(std::wstring_view text);
    [[nodiscard]] static std::vector<Declaration> ParseDeclarations(std::wstring_view text);
};

} // namespace Engine
