#pragma once
#include "engine/dom/Element.h"

#include <string_view>
#include <vector>

namespace Engine {

struct HtmlToken;

// Builds elements from tokens the way desktop pages expect: void elements, implied end tags of
// p, li, dt, dd, tr, td, th and option, rows kept as direct children of their table (no
// implied tbody), and no implied head or body. Any input yields a tree.
class HtmlTreeBuilder {
public:
    // Deeper elements are put beside the deepest one instead of inside it.
    static constexpr std::size_t kMaxDepth = 256;

    // Parses a whole document into root (the html element), merging a written <html>'s attributes.
    static void BuildDocument(Element& root, std::wstring_view source);
    // Parses a fragment into container as its last children; elements that would sit more than
    // maxDepth levels below container go beside the deepest, as in a document.
    static void BuildFragment(Element& container, std::wstring_view source, std::size_t maxDepth = kMaxDepth);

    [[nodiscard]] static bool IsVoid(std::string_view tag);

private:
    HtmlTreeBuilder(Element& root, std::size_t maxDepth) : m_open{&root}, m_maxDepth(maxDepth) {}
    void Run(std::wstring_view source, bool document);
    void StartTag(HtmlToken& token, bool document);
    void EndTag(const std::string& name);
    void AppendText(std::wstring text);
    [[nodiscard]] Element& Current() const { return *m_open.back(); }
    [[nodiscard]] int FindOpen(std::string_view name, std::initializer_list<std::string_view> boundaries) const;
    void PopTo(std::size_t size);
    void CloseImplied(const std::string& name);
    void Push(Element* element);

    std::vector<Element*> m_open;
    std::size_t m_maxDepth;
    Element* m_body = nullptr;
};

} // namespace Engine
