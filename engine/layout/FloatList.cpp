#include "engine/layout/FloatList.h"

#include <algorithm>
#include <climits>

namespace Engine {

void FloatList::Room(int top, int height, int& left, int& right) const
{
    int bottom = top + std::max(1, height);
    for (const Float& f : m_floats) {
        if (f.Area.Y >= bottom || f.Area.Bottom() <= top || f.Area.Height <= 0)
            continue;
        if (f.Side == FloatSide::Left)
            left = std::max(left, f.Area.Right());
        else
            right = std::min(right, f.Area.X);
    }
}

int FloatList::Bottom(bool leftSide, bool rightSide) const
{
    int bottom = INT_MIN;
    for (const Float& f : m_floats) {
        if ((f.Side == FloatSide::Left && leftSide) || (f.Side == FloatSide::Right && rightSide))
            bottom = std::max(bottom, f.Area.Bottom());
    }
    return bottom;
}

int FloatList::NextBottom(int y) const
{
    int next = INT_MAX;
    for (const Float& f : m_floats) {
        if (f.Area.Bottom() > y)
            next = std::min(next, f.Area.Bottom());
    }
    return next == INT_MAX ? y : next;
}

Point FloatList::Place(FloatSide side, int width, int height, int top, int left, int right)
{
    int y = std::max(top, m_lastTop);
    for (;;) {
        int roomLeft = left, roomRight = right;
        Room(y, height, roomLeft, roomRight);
        bool beside = roomLeft != left || roomRight != right;
        // A float wider than its containing block still goes where nothing else stands.
        if (!beside || roomRight - roomLeft >= width) {
            Point at{side == FloatSide::Left ? roomLeft : roomRight - width, y};
            m_floats.push_back({{at.X, at.Y, width, height}, side});
            m_lastTop = y;
            return at;
        }
        int next = NextBottom(y);
        if (next == y) {
            Point at{side == FloatSide::Left ? roomLeft : roomRight - width, y};
            m_floats.push_back({{at.X, at.Y, width, height}, side});
            m_lastTop = y;
            return at;
        }
        y = next;
    }
}

} // namespace Engine
