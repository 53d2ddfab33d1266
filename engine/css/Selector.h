#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Engine {

class AncestorFilter;
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

// :nth-child(an+b): the element is the (a*n+b)th child of its parent for some n >= 0, counting from 1.
struct NthChildTest {
    int A = 0;
    int B = 0;
};

struct CompoundSelector {
    std::string Tag;  // empty: any
    std::wstring Id;
    std::vector<std::wstring> Classes;
    std::vector<AttributeTest> Attributes;
    unsigned StatesSet = 0;    // every bit must be set
    unsigned StatesClear = 0;  // every bit must be clear
    unsigned Structure = 0;    // StructuralTest bits
    std::vector<NthChildTest> NthChildren;
    std::vector<CompoundSelector> Negations;
    Combinator ToLeft = Combinator::None;  // how it relates to the compound before it
};

struct ComplexSelector {
    std::vector<CompoundSelector> Compounds;  // left to right
    std::uint32_t Specificity = 0;
    // AncestorFilter hashes of names that ancestors of a match must have; 0 ends the list.
    std::array<std::uint32_t, 4> AncestorHashes{};
};

// What matches over one unchanged tree share: a budget of steps for all of them together,
// the ancestors' names when the subjects come in document order, and what each `~` found
// among the children of a parent, so that a long run of siblings is walked once.
struct MatchContext {
    struct SiblingKey {
        const ComplexSelector* Selector;
        std::size_t Compound;
        const Element* Parent;
        bool operator==(const SiblingKey&) const = default;
    };
    struct SiblingKeyHash {
        std::size_t operator()(const SiblingKey& key) const
        {
            return std::hash<const void*>()(key.Selector) * 31 + std::hash<const void*>()(key.Parent) * 7 + key.Compound;
        }
    };
    // How far the children were tried against the compounds up to Compound, and the first that matched.
    struct SiblingScan {
        std::size_t Tried = 0;
        std::size_t FirstMatch = SIZE_MAX;
    };

    std::uint64_t StepsLeft = UINT64_MAX;
    const AncestorFilter* Ancestors = nullptr;
    std::unordered_map<SiblingKey, SiblingScan, SiblingKeyHash> LaterSiblings;
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
    [[nodiscard]] static bool Matches(const ComplexSelector& selector, const Element& element, MatchContext& context);
    [[nodiscard]] static bool MatchesAny(const std::vector<ComplexSelector>& list, const Element& element,
                                         MatchContext& context);
    [[nodiscard]] static unsigned StateForPseudoClass(std::string_view name);
};

} // namespace Engine
