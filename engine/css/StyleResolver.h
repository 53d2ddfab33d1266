#pragma once
#include "engine/css/Selector.h"
#include "engine/css/StyleSheet.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Engine {

class Element;
class WinnerLists;

enum class StyleOrigin { Engine = 0, Hints = 1, Page = 2, Inline = 3, Runtime = 4 };

// The cascade (CSS 2.1, 6.4): for every element the winning declaration of each property from
// the engine's sheet, the presentational hints, the page's sheets, the style attribute and
// what the program set at run time. Rules are indexed by their rightmost id, class or tag so
// that an element is tried only against rules that can match it.
class StyleResolver {
public:
    // Steps of selector matching plus declarations taken from rules, for a whole tree, so that
    // no sheet and tree can make styling a page run away (real pages use a small part). An
    // element whose share is spent gets no further rules; its style attribute still applies.
    static constexpr std::uint64_t kCascadeBudget = 20'000'000;

    StyleResolver(const std::vector<const StyleSheet*>& pageSheets, std::wstring_view mediaType);

    // The cascade for each element and everything below it, in document order (no top may lie
    // below another); styled hears of each element as soon as its declarations are known (its
    // parent's before it).
    void ApplyToTrees(std::span<Element* const> tops, const std::function<void(Element&)>& styled = {}) const;

    // The winning value of a property for an element as last applied; inherited properties
    // come from the nearest ancestor that has them.
    [[nodiscard]] static const std::wstring* Lookup(const Element& element, std::string_view property);
    [[nodiscard]] static bool IsInherited(std::string_view property);
    [[nodiscard]] bool UsesSiblingCombinators() const { return m_siblings; }
    // Whether a change of the element can change how the siblings after it match: it may be
    // what stands left of a + or ~ (tags never change, so the tag decides).
    [[nodiscard]] bool ReachesLaterSiblings(const Element& element) const;
    // The state bits some selector tests: a change of the others changes no style.
    [[nodiscard]] unsigned StatesTested() const { return m_states; }

private:
    struct IndexedRule {
        const ComplexSelector* Selector;
        const StyleRule* Rule;
        StyleOrigin Origin;
        std::uint32_t Order;
    };
    void Add(const StyleSheet& sheet, StyleOrigin origin, std::wstring_view mediaType);
    void NoteStates(const CompoundSelector& compound);
    void Apply(Element& element, MatchContext& context, WinnerLists& lists) const;

    std::unordered_map<std::wstring_view, std::vector<IndexedRule>> m_byId;
    std::unordered_map<std::wstring_view, std::vector<IndexedRule>> m_byClass;
    std::unordered_map<std::string_view, std::vector<IndexedRule>> m_byTag;
    std::vector<IndexedRule> m_universal;
    std::uint32_t m_order = 0;
    bool m_siblings = false;
    std::vector<std::string> m_siblingTags;  // of the compounds left of + and ~
    bool m_siblingsAnyTag = false;           // one of them names no tag
    unsigned m_states = 0;
};

} // namespace Engine
