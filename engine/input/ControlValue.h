#pragma once
#include <string>

namespace Engine {

// An input's value inside the engine; the boundary turns it into its own record.
struct ControlValue {
    enum class Type { Undefined = 0, Bool = 1, Int = 2, String = 4 };
    Type Kind = Type::Undefined;
    int Int = 0;
    std::wstring Text;

    static ControlValue FromBool(bool value) { return {Type::Bool, value ? 1 : 0, {}}; }
    static ControlValue FromInt(int value) { return {Type::Int, value, {}}; }
    static ControlValue FromString(std::wstring value) { return {Type::String, 0, std::move(value)}; }
};

} // namespace Engine
