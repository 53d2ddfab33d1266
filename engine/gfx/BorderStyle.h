#pragma once

namespace Engine {

enum class BorderStyle : unsigned char { None, Solid, Dotted, Dashed, Inset, Outset, Double, Groove, Ridge };

} // namespace Engine
