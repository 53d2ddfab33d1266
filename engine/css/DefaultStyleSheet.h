#pragma once
#include "engine/css/StyleSheet.h"

namespace Engine {

// The engine's own style sheet, below every page's: display kinds and the behaviors that make
// inputs of the form elements.
class DefaultStyleSheet {
public:
    [[nodiscard]] static const StyleSheet& Get();
};

} // namespace Engine
