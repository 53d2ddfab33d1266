#pragma once

namespace Engine {

// What a change of an element asks of its boxes.
enum class StyleChange { None, Repaint, Relayout };

} // namespace Engine
