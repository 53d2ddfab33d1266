#pragma once
#include "engine/css/ComputedStyle.h"

#include <vector>

namespace Engine {

struct Declaration;

// Turns an element's winning declarations into its computed style (CSS 2.1, 6.1): inherited
// properties start from the parent's values, the others from their initial values, as the
// property table has them; lengths become device pixels, where a CSS pixel is 1/96 inch at the
// window's DPI.
class StyleBuilder {
public:
    explicit StyleBuilder(int dpi);

    [[nodiscard]] ComputedStyle Build(const std::vector<const Declaration*>& winners, const ComputedStyle* parent) const;
    // Every property at its initial value; border colours still "currentcolor", and the font at
    // the size of 96 DPI.
    [[nodiscard]] static const ComputedStyle& Initial();

private:
    // The declarations onto the style; "inherit" takes from `from`.
    void Apply(const std::vector<const Declaration*>& winners, const ComputedStyle& from, ComputedStyle& style) const;

    float m_scale;
    int m_rootFontSize = 12;
};

} // namespace Engine
