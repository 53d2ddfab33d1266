#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace Engine {

class Element;
struct ComplexSelector;

// The tags, ids and classes of the elements above the one being styled, in a counting Bloom
// filter (as browsers keep one while styling in document order): a selector that needs an
// ancestor with a name that no ancestor has fails without walking up the tree.
class AncestorFilter {
public:
    // Hashes never 0, which marks an unused slot of ComplexSelector::AncestorHashes.
    [[nodiscard]] static std::uint32_t TagHash(std::string_view tag);
    [[nodiscard]] static std::uint32_t IdHash(std::wstring_view id);
    [[nodiscard]] static std::uint32_t ClassHash(std::wstring_view name);

    void Push(const Element& element) { Count(element, 1); }
    void Pop(const Element& element) { Count(element, -1); }
    // False only when some name the selector needs above its subject is on no ancestor.
    [[nodiscard]] bool MightMatch(const ComplexSelector& selector) const;

private:
    void Count(const Element& element, int change);
    void Count(std::uint32_t hash, int change);

    // Each name of each ancestor adds one: the page's size bounds a count well within 32 bits.
    std::array<std::uint32_t, 4096> m_counts{};
};

// Calls visit with each class named in a class attribute.
template <typename Visit>
void ForEachClass(std::wstring_view classes, Visit visit)
{
    auto isSpace = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; };
    std::size_t at = 0;
    while (at < classes.size()) {
        while (at < classes.size() && isSpace(classes[at]))
            ++at;
        std::size_t end = at;
        while (end < classes.size() && !isSpace(classes[end]))
            ++end;
        if (end > at)
            visit(classes.substr(at, end - at));
        at = end;
    }
}

} // namespace Engine
