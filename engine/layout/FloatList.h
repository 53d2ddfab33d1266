#pragma once
#include "engine/gfx/Geometry.h"

#include <vector>

namespace Engine {

enum class FloatSide : unsigned char { Left, Right };

// The floats of one block formatting context (CSS 2.1, 9.5), as margin boxes in the coordinates
// of the context root's border box: where the next float goes, and what room they leave a line.
class FloatList {
public:
    [[nodiscard]] bool Empty() const { return m_floats.empty(); }
    [[nodiscard]] std::size_t Size() const { return m_floats.size(); }

    // Places a margin box of this size at the highest place at or below top where it fits
    // between left and right (the containing block's content edges), by the rules of 9.5.1;
    // answers its top-left corner.
    Point Place(FloatSide side, int width, int height, int top, int left, int right);
    // The room the floats leave between left and right for a band from top of this height.
    void Room(int top, int height, int& left, int& right) const;
    // The lowest bottom of the floats on the side or sides given, or INT_MIN without any.
    [[nodiscard]] int Bottom(bool leftSide, bool rightSide) const;
    // The nearest float bottom below y, or y itself when there is none.
    [[nodiscard]] int NextBottom(int y) const;

private:
    struct Float {
        Rect Area;
        FloatSide Side;
    };
    std::vector<Float> m_floats;
    int m_lastTop = 0;  // a float never goes above an earlier one (9.5.1, rule 5)
};

} // namespace Engine
