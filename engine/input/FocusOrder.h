#pragma once

namespace Engine {

class Document;
class Element;

// The order in which Tab visits a page's elements: those with a positive tabindex first, by
// that number, then every other focusable element in document order. Focusable: inputs,
// buttons, drop-downs, text areas, links with an href and any element with a tabindex of 0 or
// more; never one that is disabled, has no box, is hidden or has a negative tabindex.
class FocusOrder {
public:
    [[nodiscard]] static bool IsFocusable(const Element& element);
    // The next (or previous) one after from, wrapping; null when the page has none.
    [[nodiscard]] static Element* Next(Document& document, Element* from, bool backward);
};

} // namespace Engine
