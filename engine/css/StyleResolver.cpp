#include "engine/css/StyleResolver.h"

#include "engine/css/AncestorFilter.h"
#include "engine/css/DefaultStyleSheet.h"
#include "engine/css/ElementStyle.h"
#include "engine/css/PropertyTable.h"
#include "engine/dom/Element.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <unordered_map>

namespace Engine {

namespace {

struct Candidate {
    std::uint64_t Priority;
    const Declaration* Value;
    std::uint32_t Index = 0;  // in the order taken: of two equal priorities the later one wins
};

std::uint64_t PriorityOf(bool important, StyleOrigin origin, std::uint32_t specificity, std::uint32_t order)
{
    // Important declarations of the page and inline outrank everything that is not important.
    std::uint64_t level = static_cast<std::uint64_t>(origin) + (important ? 8 : 0);
    return (level << 56) | (static_cast<std::uint64_t>(specificity & 0xFFFFFF) << 32) | order;
}

// Hints made from the same attribute value are the same declaration, so that elements with the
// same hints (every cell with nowrap) end with the same winners and can share a computed style.
// The table is bounded; past it, an element's own copy serves.
const Declaration& InternedHint(const Declaration& hint)
{
    constexpr std::size_t kMaxInterned = 4096;
    static std::unordered_map<std::wstring, std::unique_ptr<Declaration>> interned;
    std::wstring key(hint.Property.begin(), hint.Property.end());
    key.push_back(L'\0');
    key += hint.Value;
    auto found = interned.find(key);
    if (found != interned.end())
        return *found->second;
    if (interned.size() >= kMaxInterned)
        return hint;
    auto& slot = interned[std::move(key)];
    slot = std::make_unique<Declaration>(hint.Property, hint.Value, hint.Important);
    return *slot;
}

} // namespace

// The winners' lists of one styling pass, so that the elements with the same winners (the cells
// of a column, the rows of a list) keep one list between them.
class WinnerLists {
public:
    SharedDeclarations Share(const std::vector<const Declaration*>& winners)
    {
        std::size_t hash = winners.size();
        for (const Declaration* winner : winners)
            hash = hash * 1000003u ^ std::hash<const void*>()(winner);
        auto& bucket = m_lists[hash];
        for (const SharedDeclarations& list : bucket) {
            if (*list == winners)
                return list;
        }
        bucket.push_back(std::make_shared<const std::vector<const Declaration*>>(winners));
        return bucket.back();
    }

private:
    std::unordered_map<std::size_t, std::vector<SharedDeclarations>> m_lists;
};

StyleResolver::StyleResolver(const std::vector<const StyleSheet*>& pageSheets, std::wstring_view mediaType)
{
    Add(DefaultStyleSheet::Get(), StyleOrigin::Engine, mediaType);
    for (const StyleSheet* sheet : pageSheets)
        Add(*sheet, StyleOrigin::Page, mediaType);
}

void StyleResolver::Add(const StyleSheet& sheet, StyleOrigin origin, std::wstring_view mediaType)
{
    for (const StyleRule& rule : sheet.Rules) {
        if (!rule.Media.empty() &&
            std::none_of(rule.Media.begin(), rule.Media.end(),
                         [&](const std::wstring& media) { return media == mediaType || media == L"all"; }))
            continue;
        for (const ComplexSelector& selector : rule.Selectors) {
            IndexedRule entry{&selector, &rule, origin, m_order++};
            for (const CompoundSelector& compound : selector.Compounds)
                NoteStates(compound);
            // What stands left of + or ~ decides how the siblings after it match.
            for (std::size_t i = 1; i < selector.Compounds.size(); ++i) {
                Combinator combinator = selector.Compounds[i].ToLeft;
                if (combinator != Combinator::NextSibling && combinator != Combinator::LaterSibling)
                    continue;
                m_siblings = true;
                const std::string& tag = selector.Compounds[i - 1].Tag;
                if (tag.empty())
                    m_siblingsAnyTag = true;
                else if (std::find(m_siblingTags.begin(), m_siblingTags.end(), tag) == m_siblingTags.end())
                    m_siblingTags.push_back(tag);
            }
            const CompoundSelector& key = selector.Compounds.back();
            if (!key.Id.empty())
                m_byId[key.Id].push_back(entry);
            else if (!key.Classes.empty())
                m_byClass[key.Classes.front()].push_back(entry);
            else if (!key.Tag.empty())
                m_byTag[key.Tag].push_back(entry);
            else
                m_universal.push_back(entry);
        }
    }
}

void StyleResolver::ApplyToTrees(std::span<Element* const> tops, const std::function<void(Element&)>& styled) const
{
    std::size_t remaining = 0;
    std::vector<Element*> pending;
    for (Element* top : tops) {
        pending.push_back(top);
        while (!pending.empty()) {
            Element* element = pending.back();
            pending.pop_back();
            ++remaining;
            element->PushChildrenReversed(pending);
        }
    }
    // One filter for every tree: each starts with what stands above it and gives it back after.
    AncestorFilter ancestors;
    MatchContext context;
    context.Ancestors = &ancestors;
    WinnerLists lists;
    std::uint64_t budget = kCascadeBudget;
    std::vector<Element*> path;  // from the root down to the parent of the element styled next
    for (Element* top : tops) {
        for (Element* at = top->Parent(); at != nullptr; at = at->Parent())
            path.push_back(at);
        std::reverse(path.begin(), path.end());
        for (Element* at : path)
            ancestors.Push(*at);
        const std::size_t above = path.size();
        pending.push_back(top);
        while (!pending.empty()) {
            Element* element = pending.back();
            pending.pop_back();
            while (path.size() > above && path.back() != element->Parent()) {
                ancestors.Pop(*path.back());
                path.pop_back();
            }
            // Each element may spend its share of what is left, and at least what one selector
            // may, so that elements late in a costly page still get their rules while the budget lasts.
            std::uint64_t share =
                std::min<std::uint64_t>(budget, std::max<std::uint64_t>(budget / remaining--, Selector::kMatchBudget));
            context.StepsLeft = share;
            Apply(*element, context, lists);
            budget -= share - context.StepsLeft;
            if (styled)
                styled(*element);
            ancestors.Push(*element);
            path.push_back(element);
            element->PushChildrenReversed(pending);
        }
        for (; !path.empty(); path.pop_back())
            ancestors.Pop(*path.back());
    }
}

void StyleResolver::NoteStates(const CompoundSelector& compound)
{
    m_states |= compound.StatesSet | compound.StatesClear;
    for (const CompoundSelector& negation : compound.Negations)
        NoteStates(negation);
}

bool StyleResolver::ReachesLaterSiblings(const Element& element) const
{
    return m_siblingsAnyTag ||
           std::find(m_siblingTags.begin(), m_siblingTags.end(), element.Tag()) != m_siblingTags.end();
}

void StyleResolver::Apply(Element& element, MatchContext& context, WinnerLists& lists) const
{
    // Kept from element to element: the cascade runs for every element of a page.
    static std::vector<Candidate> candidates;
    candidates.clear();
    auto consider = [&](const std::vector<IndexedRule>& rules) {
        for (const IndexedRule& entry : rules) {
            if (context.StepsLeft == 0)
                return;
            if (!Selector::Matches(*entry.Selector, element, context))
                continue;
            const auto& declarations = entry.Rule->Declarations;
            context.StepsLeft -= std::min<std::uint64_t>(context.StepsLeft, declarations.size());
            for (const Declaration& declaration : declarations)
                candidates.push_back(
                    {PriorityOf(declaration.Important, entry.Origin, entry.Selector->Specificity, entry.Order), &declaration});
        }
    };
    if (const std::wstring* id = element.FindAttribute("id"); id != nullptr && !m_byId.empty()) {
        auto found = m_byId.find(*id);
        if (found != m_byId.end())
            consider(found->second);
    }
    if (const std::wstring* classes = element.FindAttribute("class"); classes != nullptr && !m_byClass.empty()) {
        // A class named twice in the attribute must not bring its rules twice.
        std::vector<const std::vector<IndexedRule>*> seen;
        ForEachClass(*classes, [&](std::wstring_view name) {
            auto found = m_byClass.find(name);
            if (found != m_byClass.end() && std::find(seen.begin(), seen.end(), &found->second) == seen.end()) {
                seen.push_back(&found->second);
                consider(found->second);
            }
        });
    }
    if (auto found = m_byTag.find(element.Tag()); found != m_byTag.end())
        consider(found->second);
    consider(m_universal);
    std::uint32_t order = 0;
    for (const Declaration& declaration : ElementStyle::Hints(element))
        candidates.push_back({PriorityOf(false, StyleOrigin::Hints, 0, order++), &InternedHint(declaration)});
    for (const Declaration& declaration : ElementStyle::Inline(element))
        candidates.push_back({PriorityOf(declaration.Important, StyleOrigin::Inline, 0, order++), &declaration});
    for (const Declaration& declaration : ElementStyle::Runtime(element))
        candidates.push_back({PriorityOf(true, StyleOrigin::Runtime, 0, order++), &declaration});

    // Of two declarations with the same priority, the later one written wins: the order taken
    // breaks ties (a stable sort would allocate for every element).
    for (std::size_t i = 0; i < candidates.size(); ++i)
        candidates[i].Index = static_cast<std::uint32_t>(i);
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        int byName = a.Value->Property.compare(b.Value->Property);
        if (byName != 0)
            return byName < 0;
        return a.Priority != b.Priority ? a.Priority < b.Priority : a.Index < b.Index;
    });
    static std::vector<const Declaration*> winners;
    winners.clear();
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (i + 1 < candidates.size() && candidates[i + 1].Value->Property == candidates[i].Value->Property)
            continue;
        winners.push_back(candidates[i].Value);
    }
    element.SetCascaded(lists.Share(winners));
}

bool StyleResolver::IsInherited(std::string_view property)
{
    const PropertyInfo* info = PropertyTable::Find(property);
    return info != nullptr && info->Inherited;
}

const std::wstring* StyleResolver::Lookup(const Element& element, std::string_view property)
{
    bool inherited = IsInherited(property);
    for (const Element* at = &element; at != nullptr; at = at->Parent()) {
        const auto& style = ElementStyle::Cascaded(*at);
        auto found = std::lower_bound(style.begin(), style.end(), property,
                                      [](const Declaration* d, std::string_view name) { return d->Property < name; });
        if (found != style.end() && (*found)->Property == property) {
            // "inherit" reads the parent's, whether the property is inherited or not.
            const std::wstring& value = (*found)->Value;
            if (value.size() != 7 || !std::equal(value.begin(), value.end(), L"inherit",
                                                 [](wchar_t a, wchar_t b) { return std::towlower(a) == b; }))
                return &value;
        } else if (!inherited) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace Engine
