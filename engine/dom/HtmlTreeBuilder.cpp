#include "engine/dom/HtmlTreeBuilder.h"

#include "engine/dom/HtmlTokenizer.h"
#include "engine/dom/Text.h"

#include <algorithm>
#include <unordered_map>

namespace Engine {

namespace {

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

enum TagTrait : unsigned {
    kVoid = 1,
    kClosesParagraph = 2,
    kDropsBlankText = 4,  // containers whose whitespace-only text is markup layout, not content
    kListItem = 8,
    kDefinition = 16,
    kOption = 32,
    kRowOrSection = 64,
    kCell = 128,
    kHeading = 256,
    kTablePart = 512,  // closed only within its table
};

// One lookup per tag instead of a list walk per question: pages are mostly td and tr.
unsigned TraitsOf(std::string_view tag)
{
    static const std::unordered_map<std::string_view, unsigned> traits = [] {
        std::unordered_map<std::string_view, unsigned> map;
        for (std::string_view name : {"area", "base", "basefont", "br", "col", "embed", "hr", "img", "input", "link",
                                      "meta", "param", "source", "track", "wbr", "frame", "keygen"})
            map[name] |= kVoid;
        for (std::string_view name : {"address", "article", "aside", "blockquote", "center", "dir", "div", "dl",
                                      "fieldset", "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "header", "hr",
                                      "li", "menu", "nav", "ol", "p", "pre", "section", "table", "ul", "dd", "dt"})
            map[name] |= kClosesParagraph;
        for (std::string_view name : {"html", "head", "table", "thead", "tbody", "tfoot", "tr", "select", "ul", "ol",
                                      "dl", "colgroup", "optgroup", "popup"})
            map[name] |= kDropsBlankText;
        map["li"] |= kListItem;
        map["dt"] |= kDefinition;
        map["dd"] |= kDefinition;
        map["option"] |= kOption;
        map["optgroup"] |= kOption;
        for (std::string_view name : {"tr", "thead", "tbody", "tfoot"})
            map[name] |= kRowOrSection;
        map["td"] |= kCell;
        map["th"] |= kCell;
        for (std::string_view name : {"h1", "h2", "h3", "h4", "h5", "h6"})
            map[name] |= kHeading;
        for (std::string_view name : {"td", "th", "tr", "thead", "tbody", "tfoot", "caption", "colgroup"})
            map[name] |= kTablePart;
        return map;
    }();
    auto found = traits.find(tag);
    return found == traits.end() ? 0 : found->second;
}

bool DropsBlankText(std::string_view name)
{
    return (TraitsOf(name) & kDropsBlankText) != 0;
}

bool IsBlank(const std::wstring& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; });
}

const std::initializer_list<std::string_view> kTableBoundary = {"table", "html"};
const std::initializer_list<std::string_view> kScopeBoundary = {"table", "td", "th", "button", "html", "select", "caption"};

} // namespace

bool HtmlTreeBuilder::IsVoid(std::string_view tag)
{
    return (TraitsOf(tag) & kVoid) != 0;
}

void HtmlTreeBuilder::BuildDocument(Element& root, std::wstring_view source)
{
    HtmlTreeBuilder builder(root, kMaxDepth);
    builder.Run(source, true);
}

void HtmlTreeBuilder::BuildFragment(Element& container, std::wstring_view source, std::size_t maxDepth)
{
    HtmlTreeBuilder builder(container, maxDepth);
    builder.Run(source, false);
}

void HtmlTreeBuilder::Run(std::wstring_view source, bool document)
{
    HtmlTokenizer tokenizer(source);
    HtmlToken token;
    while (tokenizer.Next(token)) {
        switch (token.Kind) {
        case HtmlToken::Type::StartTag: StartTag(token, document); break;
        case HtmlToken::Type::EndTag: EndTag(token.Name); break;
        case HtmlToken::Type::Text: AppendText(std::move(token.Data)); break;
        case HtmlToken::Type::EndOfFile: break;
        }
    }
}

int HtmlTreeBuilder::FindOpen(std::string_view name, std::initializer_list<std::string_view> boundaries) const
{
    // The first entry is the root of the build and is never closed.
    for (std::size_t i = m_open.size(); i-- > 1;) {
        const std::string& tag = m_open[i]->Tag();
        if (tag == name)
            return static_cast<int>(i);
        if (OneOf(tag, boundaries))
            return -1;
    }
    return -1;
}

void HtmlTreeBuilder::PopTo(std::size_t size)
{
    if (size >= 1 && size < m_open.size())
        m_open.resize(size);
}

void HtmlTreeBuilder::Push(Element* element)
{
    Current().AppendNode(element);
    if (!IsVoid(element->Tag()) && m_open.size() < m_maxDepth)
        m_open.push_back(element);
}

void HtmlTreeBuilder::CloseImplied(const std::string& name)
{
    unsigned traits = TraitsOf(name);
    if (traits & kClosesParagraph) {
        int p = FindOpen("p", kScopeBoundary);
        if (p > 0)
            PopTo(static_cast<std::size_t>(p));
    }
    if (traits & kListItem) {
        int li = FindOpen("li", {"ul", "ol", "menu", "table", "td", "th", "html"});
        if (li > 0)
            PopTo(static_cast<std::size_t>(li));
    } else if (traits & kDefinition) {
        int dt = FindOpen("dt", {"dl", "table", "html"});
        int dd = FindOpen("dd", {"dl", "table", "html"});
        int at = std::max(dt, dd);
        if (at > 0)
            PopTo(static_cast<std::size_t>(at));
    } else if (traits & kOption) {
        if (Current().Tag() == "option")
            PopTo(m_open.size() - 1);
        if (name == "optgroup" && Current().Tag() == "optgroup")
            PopTo(m_open.size() - 1);
    } else if (traits & kRowOrSection) {
        // Up to the table or its section: a row never nests in a row or a cell.
        bool row = name == "tr";
        for (std::size_t i = m_open.size(); i-- > 1;) {
            const std::string& tag = m_open[i]->Tag();
            if (tag == "table" || (row && (TraitsOf(tag) & kRowOrSection) && tag != "tr")) {
                PopTo(i + 1);
                break;
            }
        }
    } else if (traits & kCell) {
        for (std::size_t i = m_open.size(); i-- > 1;) {
            const std::string& tag = m_open[i]->Tag();
            if (tag == "tr") {
                PopTo(i + 1);
                break;
            }
            if (tag == "table" || (TraitsOf(tag) & kRowOrSection)) {
                PopTo(i + 1);
                Push(new Element("tr"));
                break;
            }
        }
    } else if (traits & kHeading) {
        if (TraitsOf(Current().Tag()) & kHeading)
            PopTo(m_open.size() - 1);
    } else if (name == "a") {
        int a = FindOpen("a", kScopeBoundary);
        if (a > 0)
            PopTo(static_cast<std::size_t>(a));
    } else if (name == "select") {
        int select = FindOpen("select", {"html"});
        if (select > 0)
            PopTo(static_cast<std::size_t>(select));
    }
}

void HtmlTreeBuilder::StartTag(HtmlToken& token, bool document)
{
    if (token.Name == "html" || (token.Name == "body" && m_body != nullptr)) {
        Element& target = token.Name == "html" ? *m_open.front() : *m_body;
        if (document || token.Name == "body")
            for (Attribute& attribute : token.Attributes)
                target.AddParsedAttribute(std::move(attribute.Name), std::move(attribute.Value));
        return;
    }
    CloseImplied(token.Name);
    auto* element = new Element(token.Name);
    element->TakeParsedAttributes(std::move(token.Attributes));
    if (token.Name == "body")
        m_body = element;
    bool selfClosed = token.SelfClosing && !IsVoid(token.Name);
    Push(element);
    if (selfClosed && m_open.back() == element)
        PopTo(m_open.size() - 1);
}

void HtmlTreeBuilder::EndTag(const std::string& name)
{
    if (name == "html")
        return;
    if (name == "br") {
        Push(new Element("br"));
        return;
    }
    int at;
    if (TraitsOf(name) & kTablePart)
        at = FindOpen(name, kTableBoundary);
    else if (name == "body" || name == "table" || name == "select")
        at = FindOpen(name, {"html"});
    else if (name == "li")
        at = FindOpen(name, {"ul", "ol", "menu", "table", "td", "th", "html"});
    else if (name == "option")
        at = FindOpen(name, {"select", "html"});
    else
        at = FindOpen(name, kScopeBoundary);
    if (at > 0)
        PopTo(static_cast<std::size_t>(at));
}

void HtmlTreeBuilder::AppendText(std::wstring text)
{
    if (text.empty() || (DropsBlankText(Current().Tag()) && IsBlank(text)))
        return;
    Current().AppendNode(new Text(std::move(text)));
}

} // namespace Engine
