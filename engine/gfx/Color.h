#pragma once
#include <cstdint>

namespace Engine {

// 0xAARRGGBB; alpha 0 is transparent (nothing is drawn).
using Color = std::uint32_t;
constexpr Color kTransparent = 0;

constexpr Color MakeColor(unsigned r, unsigned g, unsigned b, unsigned a = 255)
{
    return (static_cast<Color>(a) << 24) | (static_cast<Color>(r) << 16) | (static_cast<Color>(g) << 8) | b;
}
constexpr unsigned AlphaOf(Color c) { return c >> 24; }
constexpr unsigned RedOf(Color c) { return (c >> 16) & 0xFF; }
constexpr unsigned GreenOf(Color c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueOf(Color c) { return c & 0xFF; }

} // namespace Engine
