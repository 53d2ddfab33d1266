#pragma once
#include "engine/HTMLayout.h"
#include "engine/dom/Document.h"
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

// The shape of every reading function: a live element, somewhere to put the answer, the answer.
template <typename Out, typename Read>
[[nodiscard]] HtmlDomResult ReadElement(HELEMENT he, Out* out, Read read)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (out == nullptr)
        return HLDOM_INVALID_PARAMETER;
    *out = read(*element);
    return HLDOM_OK;
}

inline void UpdateStyleOf(Element& element)
{
    if (Document* document = element.OwnerDocument())
        document->UpdateStyle();
}

} // namespace Engine
