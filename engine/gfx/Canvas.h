#pragma once
#include "engine/gfx/DisplayList.h"

namespace Engine {

// Plays a display list. Only items that meet the damaged rectangle need to be drawn.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void Play(const DisplayList& list, const Rect& damage) = 0;
};

} // namespace Engine
