#pragma once
#include "engine/dom/Node.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

class Document;
// What the layers above keep with an element: the elements only hold them.
struct Box;
struct ComputedStyle;
struct Declaration;
struct RareStyle;

// State bits of an element, as selectors and the engine's inputs read them.
enum ElementState : unsigned {
    kStateLink = 0x1,       // an a with an href, from the markup
    kStateHover = 0x2,
    kStateActive = 0x4,     // pressed
    kStateFocus = 0x8,
    kStateVisited = 0x10,
    kStateCurrent = 0x20,
    kStateChecked = 0x40,
    kStateDisabled = 0x80,
    kStateReadOnly = 0x100,
    kStateExpanded = 0x200,
    kStateCollapsed = 0x400,
    kStateIncomplete = 0x800,
    kStateFocusable = 0x2000,
    kStateAnchor = 0x4000,
    kStatePopup = 0x10000,  // shown as a popup
    kStateOwnsPopup = 0x20000,
};

// The groups of events an element procedure asks for.
enum EventGroup : unsigned {
    kEventMouse = 0x1,
    kEventKey = 0x2,
    kEventFocus = 0x4,
    kEventScroll = 0x8,
    kEventTimer = 0x10,
    kEventSize = 0x20,
    kEventDraw = 0x40,
    kEventDataArrived = 0x80,
    kEventBehavior = 0x100,
    kEventMethodCall = 0x200,
};

// What changed about an element, so that only what the change can reach is styled and laid
// out again.
enum class ChangeKind { Children, Attributes };

// A cascade's winners, shared by the elements that have the same ones (the cells of a table
// column): a page has thousands of elements and few distinct lists.
using SharedDeclarations = std::shared_ptr<const std::vector<const Declaration*>>;
// Declarations made of attributes, shared by the elements with the same ones.
using SharedDeclarationList = std::shared_ptr<const std::vector<Declaration>>;

struct Attribute {
    std::string Name;  // lower case
    std::wstring Value;
};

// An element procedure as the boundary hands it over; the event layer knows its real type.
using OpaqueProc = void (*)();
struct HandlerEntry {
    OpaqueProc Proc = nullptr;
    void* Tag = nullptr;
    unsigned Groups = 0;  // EventGroup bits
};

class Element final : public Node {
public:
    explicit Element(std::string tag);
    ~Element();

    // Handles from outside are checked against the elements that exist.
    [[nodiscard]] static bool IsLive(const void* element);
    [[nodiscard]] static std::size_t LiveCount();

    [[nodiscard]] const std::string& Tag() const { return *m_tag; }
    [[nodiscard]] Document* OwnerDocument() const { return m_document; }

    // Children: every node, or elements only (what handles and indexes count).
    [[nodiscard]] const std::vector<Node*>& Nodes() const { return m_children; }
    [[nodiscard]] const std::vector<Element*>& Children() const;
    // For walks in document order with a stack: the element children, last first.
    void PushChildrenReversed(std::vector<Element*>& stack) const;
    // Cheap: each child keeps its index while its parent's element list is unchanged.
    [[nodiscard]] int IndexInParent() const;
    [[nodiscard]] const Element* PreviousElementSibling() const;
    [[nodiscard]] Element* Root();
    // Levels above it in its tree (the root is at 0), and levels of elements below it, counted
    // no further than limit + 1: trees are kept within the nesting cap, so both walks are short.
    [[nodiscard]] std::size_t Depth() const;
    [[nodiscard]] std::size_t Height(std::size_t limit) const;

    // Takes the node over (it must have no parent); index counts every node, past the end appends.
    void InsertNode(Node* node, std::size_t index);
    void AppendNode(Node* node) { InsertNode(node, m_children.size()); }
    // Inserts before the n-th element child (appends past the last).
    void InsertElementAt(Element* child, std::size_t elementIndex);
    void RemoveNode(Node* node);
    void RemoveAllNodes();
    // Detaches from its parent; the element lives on while handles use it.
    void Detach();
    [[nodiscard]] bool Contains(const Element* other) const;

    [[nodiscard]] const std::vector<Attribute>& Attributes() const { return m_attributes; }
    [[nodiscard]] const std::wstring* FindAttribute(std::string_view name) const;
    [[nodiscard]] bool HasAttribute(std::string_view name) const { return FindAttribute(name) != nullptr; }
    // An input's "type" in lower case, "text" when it names none.
    [[nodiscard]] std::wstring InputType() const;
    void SetAttribute(std::string_view name, std::wstring value);
    void RemoveAttribute(std::string_view name);
    // For the tree builder: the first value of a name wins.
    void AddParsedAttribute(std::string name, std::wstring value);
    // For the tree builder: names already lower case and distinct.
    void TakeParsedAttributes(std::vector<Attribute> attributes);

    [[nodiscard]] std::wstring TextContent() const;
    void SetTextContent(std::wstring text);

    [[nodiscard]] unsigned State() const { return m_state; }
    void ChangeState(unsigned bitsToSet, unsigned bitsToClear);

    // What the styling layer keeps here (css/ElementStyle reads and makes it): the cascade's
    // winners, the hints made of the attributes, and the rarely used rest. Each bit of
    // MadeFromAttributes says a part made of the attributes is current; any change of an
    // attribute clears them all.
    [[nodiscard]] const SharedDeclarations& Cascaded() const { return m_cascaded; }
    void SetCascaded(SharedDeclarations winners) { m_cascaded = std::move(winners); }
    [[nodiscard]] const SharedDeclarationList& Hints() const { return m_hints; }
    void SetHints(SharedDeclarationList hints) { m_hints = std::move(hints); }
    [[nodiscard]] RareStyle* RareStyleData() const { return m_rare ? m_rare->Style.get() : nullptr; }
    [[nodiscard]] std::shared_ptr<RareStyle>& RareStyleSlot() { return Rare().Style; }
    [[nodiscard]] unsigned MadeFromAttributes() const { return m_madeFromAttributes; }
    void SetMadeFromAttributes(unsigned bits) { m_madeFromAttributes = static_cast<std::uint8_t>(bits); }

    // The mutable accessors make the element's rarely used part; the const ones never do.
    [[nodiscard]] std::vector<HandlerEntry>& Handlers() { return Rare().Handlers; }
    [[nodiscard]] const std::vector<HandlerEntry>& Handlers() const;
    [[nodiscard]] std::vector<std::string>& RequestedBehaviors() { return Rare().RequestedBehaviors; }
    [[nodiscard]] std::wstring& Scratch() { return Rare().Scratch; }

    // Every change that can alter style or content goes through here.
    void NoteChanged(ChangeKind kind);

    // The computed style of the last cascade, and the layout box, if the element has one.
    [[nodiscard]] const std::shared_ptr<const ComputedStyle>& Computed() const { return m_computed; }
    void SetComputed(std::shared_ptr<const ComputedStyle> style) { m_computed = std::move(style); }
    [[nodiscard]] Box* LayoutBox() const { return m_box; }
    void SetLayoutBox(Box* box) { m_box = box; }

private:
    friend class Node;
    friend class Document;
    void ReleaseChildren(std::vector<Node*>& orphans);
    void Adopt(Node* node);
    void Orphan(Node* node);
    void SetDocumentForTree(Document* document);
    void InvalidateChildren() { m_childrenValid = false; }
    void ListElement(Element* child) const;

    // What few elements have: kept apart, so that the thousands of plain ones stay small.
    struct RareData {
        std::shared_ptr<RareStyle> Style;
        std::vector<HandlerEntry> Handlers;
        std::vector<std::string> RequestedBehaviors;
        std::wstring Scratch;
        std::string OwnTag;  // past the interned tags' cap
    };
    RareData& Rare();

    // The bytes first: compilers that place a class's members in its base's padding put them
    // beside the node's kind.
    mutable bool m_childrenValid = false;  // built when first asked for
    std::uint8_t m_madeFromAttributes = 0;
    // Which of its document's queues of changes hold the element (Document::Queued bits), so
    // that a batch of changes queues each element once.
    std::uint8_t m_queued = 0;
    mutable std::uint32_t m_index = 0;  // in the parent's element list, while that is valid
    unsigned m_state = 0;
    const std::string* m_tag;  // interned: a page has thousands of elements and a few tags
    Document* m_document = nullptr;
    std::vector<Attribute> m_attributes;
    std::vector<Node*> m_children;
    // The element children, made when first asked for: most elements of a long table have none.
    mutable std::unique_ptr<std::vector<Element*>> m_elementChildren;
    SharedDeclarations m_cascaded;
    SharedDeclarationList m_hints;
    std::unique_ptr<RareData> m_rare;
    std::shared_ptr<const ComputedStyle> m_computed;
    Box* m_box = nullptr;
};

} // namespace Engine
