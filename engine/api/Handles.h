#pragma once
#include "engine/HTMLayout.h"
#include "engine/dom/Document.h"
#include "engine/dom/Element.h"
#include "engine/platform/ElementHandles.h"
#include "engine/platform/View.h"

namespace Engine {

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

// Attribute and style reads: a name in, a text or null out.
template <typename Lookup>
[[nodiscard]] HtmlDomResult ReadNamedText(HELEMENT he, LPCSTR name, LPCWSTR* value, Lookup lookup)
{
    if (value != nullptr)
        *value = nullptr;
    if (name == nullptr)
        return FromHandle(he) != nullptr ? HLDOM_INVALID_PARAMETER : HLDOM_INVALID_HANDLE;
    return ReadElement(he, value, [&](Element& element) -> LPCWSTR {
        const std::wstring* found = lookup(element, name);
        return found != nullptr ? found->c_str() : nullptr;
    });
}

// Functions that need the element's window: a live element in a shown page.
template <typename Act>
[[nodiscard]] HtmlDomResult WithView(HELEMENT he, Act act)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    View* view = View::ForDocument(element->OwnerDocument());
    if (view == nullptr)
        return HLDOM_PASSIVE_HANDLE;
    act(*element, *view);
    return HLDOM_OK;
}

inline void UpdateStyleOf(Element& element)
{
    if (View* view = View::ForDocument(element.OwnerDocument()))
        view->Style().Update();
}

} // namespace Engine
