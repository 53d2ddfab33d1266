#pragma once
#include "engine/css/Declaration.h"
#include "engine/css/Selector.h"

#include <string>
#include <vector>

namespace Engine {

struct StyleRule {
    std::vector<ComplexSelector> Selectors;
    std::vector<Declaration> Declarations;
    std::vector<std::wstring> Media;  // empty: every media
};

struct StyleSheet {
    std::vector<StyleRule> Rules;
};

} // namespace Engine
