#pragma once
#include "engine/layout/Box.h"
#include "engine/gfx/TextMeasurer.h"

#include <cstddef>

namespace Engine {

// Where a text index of a block's text lies on its lines and back, for the caret of a text area
// (whose one text node holds its whole text). Coordinates are the block's border box's.
class TextPositions {
public:
    // False when the block has no line yet.
    [[nodiscard]] static bool PointOf(const Box& block, std::size_t index, TextMeasurer& measurer, Rect& caret);
    [[nodiscard]] static std::size_t IndexAt(const Box& block, Point point, TextMeasurer& measurer);
};

} // namespace Engine
