#pragma once
#include "engine/css/Declaration.h"
#include "engine/dom/Element.h"

#include <string>
#include <string_view>
#include <vector>

namespace Engine {

// The declarations of one element beside the style sheets, kept with the element: its style
// attribute, its presentational hints, what the program set at run time, and the cascade's
// winners. Parts made of the attributes are made when first read after an attribute changed.
class ElementStyle {
public:
    // The cascade's winners, sorted by property name; elements styled alike share one list.
    [[nodiscard]] static const std::vector<const Declaration*>& Cascaded(const Element& element)
    {
        static const std::vector<const Declaration*> kNone;
        return element.Cascaded() ? *element.Cascaded() : kNone;
    }
    [[nodiscard]] static const std::vector<Declaration>& Inline(Element& element);
    [[nodiscard]] static const std::vector<Declaration>& Hints(Element& element);
    [[nodiscard]] static const std::vector<Declaration>& Runtime(const Element& element);
    // Sets one property as the program asks (null takes it away again).
    static void SetRuntime(Element& element, std::string_view property, const std::wstring* value);
};

// What few elements have: a style attribute, or properties the program set.
struct RareStyle {
    std::vector<Declaration> Inline;
    std::vector<Declaration> RuntimeWritten;  // as the program set it
    std::vector<Declaration> Runtime;         // with shorthands expanded
};

} // namespace Engine
