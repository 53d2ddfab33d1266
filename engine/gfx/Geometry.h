#pragma once

namespace Engine {

// Device pixels, integers throughout, so that layout dumps are exact.
struct Point {
    int X = 0;
    int Y = 0;
    bool operator==(const Point&) const = default;
};

struct Rect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;

    [[nodiscard]] int Right() const { return X + Width; }
    [[nodiscard]] int Bottom() const { return Y + Height; }
    [[nodiscard]] bool Empty() const { return Width <= 0 || Height <= 0; }
    [[nodiscard]] bool Contains(Point p) const { return p.X >= X && p.Y >= Y && p.X < Right() && p.Y < Bottom(); }
    [[nodiscard]] bool Intersects(const Rect& o) const
    {
        return !Empty() && !o.Empty() && X < o.Right() && o.X < Right() && Y < o.Bottom() && o.Y < Bottom();
    }
    [[nodiscard]] Rect Intersect(const Rect& o) const
    {
        int left = X > o.X ? X : o.X;
        int top = Y > o.Y ? Y : o.Y;
        int right = Right() < o.Right() ? Right() : o.Right();
        int bottom = Bottom() < o.Bottom() ? Bottom() : o.Bottom();
        return right > left && bottom > top ? Rect{left, top, right - left, bottom - top} : Rect{left, top, 0, 0};
    }
    [[nodiscard]] Rect Translated(int dx, int dy) const { return {X + dx, Y + dy, Width, Height}; }
    bool operator==(const Rect&) const = default;
};

enum class Side : unsigned char { Top, Right, Bottom, Left };
constexpr Side kAllSides[] = {Side::Top, Side::Right, Side::Bottom, Side::Left};

// One value for each side of a box, named as CSS names the sides.
template <typename T>
struct Sides {
    T Top{};
    T Right{};
    T Bottom{};
    T Left{};

    // For numbers: what the sides across each axis add up to.
    [[nodiscard]] T Horizontal() const { return Left + Right; }
    [[nodiscard]] T Vertical() const { return Top + Bottom; }
    // For what treats the four sides alike.
    [[nodiscard]] T& operator[](Side side)
    {
        return side == Side::Top ? Top : side == Side::Right ? Right : side == Side::Bottom ? Bottom : Left;
    }
    [[nodiscard]] const T& operator[](Side side) const
    {
        return side == Side::Top ? Top : side == Side::Right ? Right : side == Side::Bottom ? Bottom : Left;
    }
    bool operator==(const Sides&) const = default;
};

// The widths of a box's margin, border or padding.
using Edges = Sides<int>;

} // namespace Engine
