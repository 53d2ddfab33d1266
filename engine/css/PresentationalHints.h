#pragma once
#include "engine/css/Declaration.h"

#include <vector>

namespace Engine {

class Element;

// The old presentational attributes as declarations that any style sheet rule overrides:
// bgcolor, width, height, align, valign, nowrap, border, cellpadding and cellspacing (read
// from the table for its cells), and the body's leftmargin, topmargin, rightmargin and bottommargin.
class PresentationalHints {
public:
    [[nodiscard]] static std::vector<Declaration> For(const Element& element);
};

} // namespace Engine
