#include "engine/dom/Document.h"

#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Utf.h"

#include <algorithm>
#include <unordered_map>

namespace Engine {

Document::Document() : m_root(new Element("html"))
{
    m_root->m_document = this;
    m_root->Use();
}

Document::~Document()
{
    DropQueues();
    m_root->SetDocumentForTree(nullptr);
    m_root->Unuse();
}

bool Document::Load(std::string_view utf8)
{
    if (utf8.size() > kMaxSourceBytes)
        return false;
    m_root->RemoveAllNodes();
    m_root->m_attributes.clear();
    HtmlTreeBuilder::BuildDocument(*m_root, Utf8ToWide(utf8));
    ++m_loads;
    m_statesTested = ~0u;
    m_styleDirty = true;
    return true;
}

// A batch of changes costs one styling and one rebuild of what it reached: each element is
// queued once, and not at all below an element queued for styling, whose styling covers it.
void Document::NoteChange(Element& element, ChangeKind kind)
{
    if (m_client != nullptr) {
        m_client->Changed();
        m_client->ElementChanged(element, kind);
    }
    if (m_styleDirty)
        return;
    if (kind == ChangeKind::Children && (element.m_queued & kQueuedRebuild) == 0) {
        element.m_queued |= kQueuedRebuild;
        element.Use();
        m_changes.Rebuild.push_back(&element);
    } else if (kind == ChangeKind::Attributes && (element.m_queued & kQueuedRelayout) == 0) {
        // Attributes that boxes read (spans, sources) lay the element out again.
        element.m_queued |= kQueuedRelayout;
        element.Use();
        m_changes.Styles.push_back({&element, StyleChange::Relayout});
    }
    QueueRestyle(element);
}

void Document::NoteStateChange(Element& element, unsigned changedBits)
{
    if (m_client != nullptr) {
        m_client->Changed();
        m_client->StateChanged(element, changedBits);
    }
    if (m_styleDirty)
        return;
    // Only selectors see states: a bit that none of them tests changes no style (the grid's
    // focusable bit on a table of thousands of rows, for one).
    if ((m_statesTested & changedBits) == 0)
        return;
    QueueRestyle(element);
}

void Document::QueueRestyle(Element& element)
{
    for (const Element* at = &element; at != nullptr; at = at->Parent()) {
        if ((at->m_queued & kQueuedRestyle) != 0)
            return;
    }
    element.m_queued |= kQueuedRestyle;
    element.Use();
    m_restyle.push_back(&element);
}

void Document::DropQueues()
{
    for (Element* element : m_restyle) {
        element->m_queued = static_cast<std::uint8_t>(element->m_queued & ~kQueuedRestyle);
        element->Unuse();
    }
    m_restyle.clear();
    StyleChanges dropped = TakeChanges();
    dropped.Release();
}

void StyleChanges::Release()
{
    for (auto& [element, change] : Styles)
        element->Unuse();
    for (Element* element : Rebuild)
        element->Unuse();
    Styles.clear();
    Rebuild.clear();
    Full = false;
}

StyleChanges Document::TakeChanges()
{
    StyleChanges taken = std::move(m_changes);
    m_changes = StyleChanges();
    for (auto& [element, change] : taken.Styles)
        element->m_queued = static_cast<std::uint8_t>(element->m_queued & ~kQueuedRelayout);
    for (Element* element : taken.Rebuild)
        element->m_queued = static_cast<std::uint8_t>(element->m_queued & ~kQueuedRebuild);
    return taken;
}

void Document::BeginWholeRestyle()
{
    m_styleDirty = false;
    DropQueues();
    m_changes.Full = true;
}

void Document::NoteStyleChanged(Element& element, StyleChange change)
{
    element.Use();
    m_changes.Styles.push_back({&element, change});
}

RestyleBatch::~RestyleBatch()
{
    for (Element* element : m_held)
        element->Unuse();
}

RestyleBatch Document::TakeRestyleBatch(const std::function<bool(const Element&)>& reachesLaterSiblings)
{
    RestyleBatch batch;
    batch.m_held.swap(m_restyle);
    std::vector<Element*>& tops = batch.Tops;
    tops.reserve(batch.m_held.size());
    for (Element* element : batch.m_held) {
        if (element->OwnerDocument() == this)
            tops.push_back(element);
    }
    // Selectors with + and ~ reach the siblings that follow a change: from the first changed
    // child of each parent on, every later sibling is styled too, once however many changed.
    std::vector<Element*> siblings;
    if (reachesLaterSiblings) {
        std::unordered_map<Element*, std::size_t> firstChanged;
        for (Element* element : tops) {
            Element* parent = element->Parent();
            if (parent == nullptr || !reachesLaterSiblings(*element))
                continue;
            auto index = static_cast<std::size_t>(element->IndexInParent());
            auto [at, added] = firstChanged.try_emplace(parent, index);
            if (!added)
                at->second = std::min(at->second, index);
        }
        for (auto& [parent, first] : firstChanged) {
            const auto& children = parent->Children();
            for (std::size_t i = first + 1; i < children.size(); ++i) {
                if ((children[i]->m_queued & kQueuedRestyle) == 0) {
                    children[i]->m_queued |= kQueuedRestyle;
                    siblings.push_back(children[i]);
                }
            }
        }
        tops.insert(tops.end(), siblings.begin(), siblings.end());
    }
    // What lies below another top is styled with it.
    auto covered = [](const Element& element) {
        for (const Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
            if ((at->m_queued & kQueuedRestyle) != 0)
                return true;
        }
        return false;
    };
    tops.erase(std::remove_if(tops.begin(), tops.end(), [&](Element* top) { return covered(*top); }), tops.end());
    for (Element* element : siblings)
        element->m_queued = static_cast<std::uint8_t>(element->m_queued & ~kQueuedRestyle);
    for (Element* element : batch.m_held)
        element->m_queued = static_cast<std::uint8_t>(element->m_queued & ~kQueuedRestyle);
    return batch;
}

void Document::ForgetElement(Element& element)
{
    // Queued here, it is no concern of another document's queues.
    element.m_queued = 0;
    if (m_client != nullptr)
        m_client->ElementLeaving(element);
    if (m_focus == &element)
        m_focus = nullptr;
    if (m_capture == &element)
        m_capture = nullptr;
}

} // namespace Engine
