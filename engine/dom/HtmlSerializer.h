#pragma once
#include "engine/dom/Element.h"

#include <string>

namespace Engine {

enum class HtmlScope { Outer, Inner };

// Writes elements back as UTF-8 HTML that parses to the same tree. Symbols of Latin-1 (such
// as U+00A0 and U+00BB) are written by name, so "<b>&raquo;</b>" reads back as written.
class HtmlSerializer {
public:
    [[nodiscard]] static std::string Serialize(const Element& element, HtmlScope scope);
};

} // namespace Engine
