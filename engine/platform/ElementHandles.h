#pragma once
#include "engine/HTMLayout.h"
#include "engine/dom/Element.h"

namespace Engine {

// Handles are element addresses, accepted only while that element exists.
[[nodiscard]] inline Element* FromHandle(HELEMENT he)
{
    return Element::IsLive(he) ? reinterpret_cast<Element*>(he) : nullptr;
}

[[nodiscard]] inline HELEMENT ToHandle(Element* element)
{
    return reinterpret_cast<HELEMENT>(element);
}

} // namespace Engine
