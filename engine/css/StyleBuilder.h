#pragma once
#include "engine/css/ComputedStyle.h"

#include <vector>

namespace Engine {

struct Declaration;

// Turns an element's winning declarations into its computed style (CSS 2.1, 6.1): inherited
// properties start from the parent's values, the others from their initial values; lengths
// become device pixels, where a CSS pixel is 1/96 inch at the window's DPI.
class StyleBuilder {
public:
    explicit StyleBuilder(int dpi) : m_scale(dpi > 0 ? dpi / 96.0f : 1.0f) {}

    [[nodiscard]] ComputedStyle Build(const std::vector<const Declaration*>& winners, const ComputedStyle* parent) const;
    [[nodiscard]] static const ComputedStyle& Initial();

private:
    float m_scale;
};

} // namespace Engine
