#pragma once
#include "engine/css/Declaration.h"

#include <vector>

namespace Engine {

// margin, padding, border and its parts, background, font and list-style become their
// longhands, placed right after the shorthand itself (which stays, so that style reads give
// what was written), so that the cascade decides property by property.
class Shorthands {
public:
    [[nodiscard]] static std::vector<Declaration> Expand(std::vector<Declaration> declarations);
    [[nodiscard]] static bool IsShorthand(const std::string& property);
};

} // namespace Engine
