#include "engine/dom/Element.h"

#include "engine/dom/Document.h"
#include "engine/dom/Text.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <unordered_set>

namespace Engine {

namespace {

// Open addressing without a node per entry: pages have thousands of elements, and the checks
// run on every call across the boundary.
class LiveSet {
public:
    void Insert(const void* element)
    {
        if ((m_count + m_deleted + 1) * 2 > m_slots.size())
            Grow();
        std::size_t at = Find(element, true);
        if (m_slots[at] == kDeleted)
            --m_deleted;
        m_slots[at] = element;
        ++m_count;
    }
    void Erase(const void* element)
    {
        if (m_slots.empty())
            return;
        std::size_t at = Find(element, false);
        if (m_slots[at] == element) {
            m_slots[at] = kDeleted;
            --m_count;
            ++m_deleted;
        }
    }
    [[nodiscard]] bool Contains(const void* element) const
    {
        return !m_slots.empty() && m_slots[Find(element, false)] == element;
    }
    [[nodiscard]] std::size_t Size() const { return m_count; }

private:
    static inline const char kDeletedMark = 0;
    static inline const void* const kDeleted = &kDeletedMark;

    [[nodiscard]] std::size_t Find(const void* element, bool forInsert) const
    {
        std::size_t mask = m_slots.size() - 1;
        std::size_t at = (reinterpret_cast<std::uintptr_t>(element) >> 4) * 0x9E3779B97F4A7C15ull & mask;
        std::size_t firstDeleted = SIZE_MAX;
        while (m_slots[at] != nullptr && m_slots[at] != element) {
            if (m_slots[at] == kDeleted && firstDeleted == SIZE_MAX)
                firstDeleted = at;
            at = (at + 1) & mask;
        }
        if (forInsert && m_slots[at] == nullptr && firstDeleted != SIZE_MAX)
            return firstDeleted;
        return at;
    }
    void Grow()
    {
        std::vector<const void*> old;
        old.swap(m_slots);
        std::size_t size = 1024;
        while (size < (m_count + 1) * 4)
            size *= 2;
        m_slots.assign(size, nullptr);
        m_count = 0;
        m_deleted = 0;
        for (const void* element : old) {
            if (element != nullptr && element != kDeleted) {
                m_slots[Find(element, true)] = element;
                ++m_count;
            }
        }
    }

    std::vector<const void*> m_slots;
    std::size_t m_count = 0;
    std::size_t m_deleted = 0;
};

LiveSet& LiveElements()
{
    static LiveSet live;
    return live;
}

// Tag names are kept once for every element that has them; a page that makes up thousands of
// names keeps the rest with their elements.
const std::string* InternedTag(const std::string& tag)
{
    constexpr std::size_t kMaxTags = 4096;
    static std::unordered_set<std::string> tags;
    auto found = tags.find(tag);
    if (found != tags.end())
        return &*found;
    if (tags.size() >= kMaxTags)
        return nullptr;
    return &*tags.insert(tag).first;
}

const std::vector<HandlerEntry> kNoHandlers;

} // namespace

Element::Element(std::string tag) : Node(NodeKind::Element), m_tag(InternedTag(tag))
{
    if (m_tag == nullptr) {
        Rare().OwnTag = std::move(tag);
        m_tag = &m_rare->OwnTag;
    }
    LiveElements().Insert(this);
}

Element::~Element()
{
    LiveElements().Erase(this);
}

bool Element::IsLive(const void* element)
{
    return element != nullptr && LiveElements().Contains(element);
}

std::size_t Element::LiveCount()
{
    return LiveElements().Size();
}

const std::vector<Element*>& Element::Children() const
{
    static const std::vector<Element*> kNone;
    if (!m_childrenValid) {
        if (m_elementChildren)
            m_elementChildren->clear();
        for (Node* node : m_children) {
            if (node->IsElement())
                ListElement(static_cast<Element*>(node));
        }
        m_childrenValid = true;
    }
    return m_elementChildren ? *m_elementChildren : kNone;
}

void Element::ListElement(Element* child) const
{
    if (!m_elementChildren)
        m_elementChildren = std::make_unique<std::vector<Element*>>();
    child->m_index = static_cast<std::uint32_t>(m_elementChildren->size());
    m_elementChildren->push_back(child);
}

void Element::PushChildrenReversed(std::vector<Element*>& stack) const
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        if ((*it)->IsElement())
            stack.push_back(static_cast<Element*>(*it));
    }
}

int Element::IndexInParent() const
{
    if (m_parent == nullptr)
        return 0;
    static_cast<void>(m_parent->Children());  // brings m_index up to date
    return static_cast<int>(m_index);
}

const Element* Element::PreviousElementSibling() const
{
    int index = IndexInParent();
    return index > 0 ? (*m_parent->m_elementChildren)[static_cast<std::size_t>(index) - 1] : nullptr;
}

std::size_t Element::Depth() const
{
    std::size_t depth = 0;
    for (const Element* at = m_parent; at != nullptr; at = at->m_parent)
        ++depth;
    return depth;
}

std::size_t Element::Height(std::size_t limit) const
{
    std::size_t height = 0;
    std::vector<std::pair<const Element*, std::size_t>> pending{{this, 0}};
    while (!pending.empty() && height <= limit) {
        auto [element, level] = pending.back();
        pending.pop_back();
        height = std::max(height, level);
        if (level <= limit) {
            for (const Node* node : element->m_children) {
                if (node->IsElement())
                    pending.push_back({static_cast<const Element*>(node), level + 1});
            }
        }
    }
    return height;
}

Element* Element::Root()
{
    Element* root = this;
    while (root->m_parent != nullptr)
        root = root->m_parent;
    return root;
}

void Element::Adopt(Node* node)
{
    node->m_parent = this;
    ++node->m_uses;
    if (node->IsElement())
        static_cast<Element*>(node)->SetDocumentForTree(m_document);
}

void Element::Orphan(Node* node)
{
    node->m_parent = nullptr;
    if (node->IsElement())
        static_cast<Element*>(node)->SetDocumentForTree(nullptr);
    if (--node->m_uses == 0)
        DeleteTree(node);
}

void Element::InsertNode(Node* node, std::size_t index)
{
    if (node == nullptr || node->m_parent != nullptr)
        return;
    index = std::min(index, m_children.size());
    // A text node next to another merges, as the parser would have made it.
    if (!node->IsElement()) {
        auto* text = static_cast<Text*>(node);
        if (index > 0 && !m_children[index - 1]->IsElement()) {
            static_cast<Text*>(m_children[index - 1])->MutableData() += text->Data();
            if (node->m_uses == 0)
                DeleteTree(node);
            NoteChanged(ChangeKind::Children);
            return;
        }
    }
    bool appended = index == m_children.size();
    m_children.insert(m_children.begin() + static_cast<std::ptrdiff_t>(index), node);
    Adopt(node);
    if (appended && m_childrenValid) {
        if (node->IsElement())
            ListElement(static_cast<Element*>(node));
    } else {
        InvalidateChildren();
    }
    NoteChanged(ChangeKind::Children);
}

void Element::InsertElementAt(Element* child, std::size_t elementIndex)
{
    const auto& elements = Children();
    std::size_t at = m_children.size();
    if (elementIndex < elements.size())
        at = static_cast<std::size_t>(std::find(m_children.begin(), m_children.end(), elements[elementIndex]) -
                                      m_children.begin());
    InsertNode(child, at);
}

void Element::RemoveNode(Node* node)
{
    auto found = std::find(m_children.begin(), m_children.end(), node);
    if (found == m_children.end())
        return;
    m_children.erase(found);
    InvalidateChildren();
    NoteChanged(ChangeKind::Children);
    Orphan(node);
}

void Element::RemoveAllNodes()
{
    std::vector<Node*> children;
    children.swap(m_children);
    InvalidateChildren();
    NoteChanged(ChangeKind::Children);
    for (Node* node : children)
        Orphan(node);
}

void Element::Detach()
{
    if (m_parent != nullptr)
        m_parent->RemoveNode(this);
}

bool Element::Contains(const Element* other) const
{
    for (const Element* at = other; at != nullptr; at = at->m_parent) {
        if (at == this)
            return true;
    }
    return false;
}

void Element::ReleaseChildren(std::vector<Node*>& orphans)
{
    for (Node* node : m_children) {
        node->m_parent = nullptr;
        if (node->IsElement())
            static_cast<Element*>(node)->SetDocumentForTree(nullptr);
        if (--node->m_uses == 0)
            orphans.push_back(node);
    }
    m_children.clear();
    InvalidateChildren();
}

void Element::SetDocumentForTree(Document* document)
{
    std::vector<Element*> pending{this};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        if (element->m_document == document)
            continue;
        if (element->m_document != nullptr)
            element->m_document->ForgetElement(*element);
        element->m_document = document;
        for (Node* node : element->m_children) {
            if (node->IsElement())
                pending.push_back(static_cast<Element*>(node));
        }
    }
}

const std::wstring* Element::FindAttribute(std::string_view name) const
{
    for (const Attribute& attribute : m_attributes) {
        if (attribute.Name.size() == name.size() &&
            std::equal(name.begin(), name.end(), attribute.Name.begin(),
                       [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; }))
            return &attribute.Value;
    }
    return nullptr;
}

std::wstring Element::InputType() const
{
    const std::wstring* type = FindAttribute("type");
    std::wstring kind = type != nullptr && !type->empty() ? *type : L"text";
    for (wchar_t& c : kind)
        c = static_cast<wchar_t>(std::towlower(c));
    return kind;
}

void Element::SetAttribute(std::string_view name, std::wstring value)
{
    std::string lower(name);
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    for (Attribute& attribute : m_attributes) {
        if (attribute.Name == lower) {
            attribute.Value = std::move(value);
            m_madeFromAttributes = 0;
            NoteChanged(ChangeKind::Attributes);
            return;
        }
    }
    m_attributes.push_back({std::move(lower), std::move(value)});
    m_madeFromAttributes = 0;
    NoteChanged(ChangeKind::Attributes);
}

void Element::RemoveAttribute(std::string_view name)
{
    const std::wstring* value = FindAttribute(name);
    if (value == nullptr)
        return;
    auto found = std::find_if(m_attributes.begin(), m_attributes.end(),
                              [value](const Attribute& attribute) { return &attribute.Value == value; });
    m_attributes.erase(found);
    m_madeFromAttributes = 0;
    NoteChanged(ChangeKind::Attributes);
}

void Element::TakeParsedAttributes(std::vector<Attribute> attributes)
{
    m_attributes = std::move(attributes);
}

void Element::AddParsedAttribute(std::string name, std::wstring value)
{
    if (FindAttribute(name) != nullptr)
        return;
    m_attributes.push_back({std::move(name), std::move(value)});
}

std::wstring Element::TextContent() const
{
    std::wstring text;
    std::vector<const Node*> pending(m_children.rbegin(), m_children.rend());
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (node->IsElement()) {
            const auto& children = static_cast<const Element*>(node)->m_children;
            pending.insert(pending.end(), children.rbegin(), children.rend());
        } else {
            text += static_cast<const Text*>(node)->Data();
        }
    }
    return text;
}

void Element::SetTextContent(std::wstring text)
{
    RemoveAllNodes();
    if (!text.empty())
        AppendNode(new Text(std::move(text)));
}

void Element::ChangeState(unsigned bitsToSet, unsigned bitsToClear)
{
    unsigned state = (m_state & ~bitsToClear) | bitsToSet;
    if (state == m_state)
        return;
    unsigned changed = state ^ m_state;
    m_state = state;
    if (m_document != nullptr)
        m_document->NoteStateChange(*this, changed);
}

Element::RareData& Element::Rare()
{
    if (!m_rare)
        m_rare = std::make_unique<RareData>();
    return *m_rare;
}

const std::vector<HandlerEntry>& Element::Handlers() const
{
    return m_rare ? m_rare->Handlers : kNoHandlers;
}

void Element::NoteChanged(ChangeKind kind)
{
    if (m_document != nullptr)
        m_document->NoteChange(*this, kind);
}

} // namespace Engine
