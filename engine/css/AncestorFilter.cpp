#include "engine/css/AncestorFilter.h"

#include "engine/css/Selector.h"
#include "engine/dom/Element.h"

namespace Engine {

namespace {

// FNV-1a over the characters, seeded by the kind of name so that a tag and a class of the
// same spelling differ.
template <typename Text>
std::uint32_t Hash(std::uint32_t kind, const Text& text)
{
    std::uint32_t hash = 2166136261u ^ kind;
    for (auto c : text) {
        hash ^= static_cast<std::uint32_t>(c);
        hash *= 16777619u;
    }
    return hash == 0 ? 1 : hash;
}

} // namespace

std::uint32_t AncestorFilter::TagHash(std::string_view tag)
{
    return Hash(1, tag);
}

std::uint32_t AncestorFilter::IdHash(std::wstring_view id)
{
    return Hash(2, id);
}

std::uint32_t AncestorFilter::ClassHash(std::wstring_view name)
{
    return Hash(3, name);
}

void AncestorFilter::Count(std::uint32_t hash, int change)
{
    m_counts[hash & 0xFFF] += static_cast<std::uint32_t>(change);
    m_counts[(hash >> 16) & 0xFFF] += static_cast<std::uint32_t>(change);
}

void AncestorFilter::Count(const Element& element, int change)
{
    Count(TagHash(element.Tag()), change);
    if (const std::wstring* id = element.FindAttribute("id"))
        Count(IdHash(*id), change);
    if (const std::wstring* classes = element.FindAttribute("class"))
        ForEachClass(*classes, [&](std::wstring_view name) { Count(ClassHash(name), change); });
}

bool AncestorFilter::MightMatch(const ComplexSelector& selector) const
{
    for (std::uint32_t hash : selector.AncestorHashes) {
        if (hash == 0)
            break;
        if (m_counts[hash & 0xFFF] == 0 || m_counts[(hash >> 16) & 0xFFF] == 0)
            return false;
    }
    return true;
}

} // namespace Engine
