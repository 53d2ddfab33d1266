#pragma once
#include <memory>
#include <string>

namespace Engine {

struct CssValue;

// One property: value as written, trimmed; unknown properties are kept like any other.
struct Declaration {
    Declaration() = default;
    Declaration(std::string property, std::wstring value, bool important)
        : Property(std::move(property)), Value(std::move(value)), Important(important) {}

    std::string Property;  // lower case
    std::wstring Value;
    bool Important = false;

    // The value read into components on first use, shared by copies (the tokens' Source views
    // are not kept valid for the cache: only the read values are used from it).
    mutable std::shared_ptr<const CssValue> Parsed;
    mutable short PropertyId = -1;
};

} // namespace Engine
