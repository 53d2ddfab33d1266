#pragma once
#include "engine/css/StyleSheet.h"

namespace Engine {

// The engine's own style sheet, below every page's: display kinds and the behaviors that make
// inputs of the form elements.
class DefaultStyleSheet {
public:
    [[nodiscard]] static const StyleSheet& Get();
    // Whether a property's value (as the cascade hands it out) is one of this sheet's own: the
    // behaviors it names are the engine's and no host's business.
    [[nodiscard]] static bool Holds(const std::wstring* value);
};

} // namespace Engine
