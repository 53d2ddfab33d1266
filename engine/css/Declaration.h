#pragma once
#include <string>

namespace Engine {

// One property: value as written, trimmed; unknown properties are kept like any other.
struct Declaration {
    std::string Property;  // lower case
    std::wstring Value;
    bool Important = false;
};

} // namespace Engine
