#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

class Element;

struct AttributeTest {
    enum class Match { Exists, Equals, EqualsCaseSensitive, Includes, DashMatch, Prefix, Suffix, Substring };
    std::string Name;
    Match Kind = Match::Exists;
    std::wstring Value;
};

enum class Combinator { None, Descendant, Child, NextSibling, LaterSibling };

enum StructuralTest : unsigned {
    kFirstChild = 1,
    kLastChild = 2,
    kOnlyChild = 4,
    kRoot = 8,
    kEmpty = 16,
};

struct CompoundSelector {
    std::string Tag;  // empty: any
    std::wstring Id;
    std::vector<std::wstring> Classes;
    std::vector<AttributeTest> Attributes;
    unsigned StatesSet = 0;    // every bit must be set
    unsigned StatesClear = 0;  // every bit must be clear
    unsigned Structure = 0;    // StructuralTest bits
    std::vector<CompoundSelector> Negations;
    Combinator ToLeft = Combinator::None;  // how it relates to the compound before it
};

struct ComplexSelector {
    std::vector<CompoundSelector> Compounds;  // left to right
    std::uint32_t Specificity = 0;
};

// CSS selectors with the engine's additions: [attr=='v'] compares case-sensitively (plain
// [attr='v'] does not), and states such as :current, :checked, :expanded are pseudo-classes.
class Selector {
public:
    static constexpr std::size_t kMaxLength = 4096;
    static constexpr std::size_t kMaxCompounds = 32;
    // Matching one selector against one element gives up (no match) after this many steps, so
    // that no selector and tree can make matching run away.
    static constexpr int kMatchBudget = 20000;

    // Empty when any part of the list is not understood.
    [[nodiscard]] static std::optional<std::vector<ComplexSelector>> ParseList(std::wstring_view text);
    [[nodiscard]] static bool Matches(const ComplexSelector& selector, const Element& element);
    [[nodiscard]] static bool MatchesAny(const std::vector<ComplexSelector>& list, const Element& element);
    [[nodiscard]] static unsigned StateForPseudoClass(std::string_view name);
};

} // namespace Engine
