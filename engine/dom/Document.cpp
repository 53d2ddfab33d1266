#include "engine/dom/Document.h"

#include "engine/css/CssParser.h"
#include "engine/css/StyleBuilder.h"
#include "engine/css/StyleResolver.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Utf.h"

#include <algorithm>
#include <unordered_map>
#include <cwctype>

namespace Engine {

Document::Document() : m_root(new Element("html"))
{
    m_root->m_document = this;
    m_root->Use();
}

Document::~Document()
{
    for (BehaviorRequest& request : m_behaviorRequests)
        request.Target->Unuse();
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
    m_sheets.clear();
    m_resolver.reset();
    HtmlTreeBuilder::BuildDocument(*m_root, Utf8ToWide(utf8));
    CollectStyleSheets();
    m_styleDirty = true;
    return true;
}

void Document::AddStyleSheet(StyleSheet sheet)
{
    m_sheets.push_back(std::make_unique<StyleSheet>(std::move(sheet)));
    m_styleDirty = true;
}

void Document::SetMediaType(std::wstring media)
{
    for (wchar_t& c : media)
        c = static_cast<wchar_t>(std::towlower(c));
    m_media = std::move(media);
    m_styleDirty = true;
}

void Document::CollectStyleSheets()
{
    std::vector<Element*> pending{m_root};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        if (element->Tag() == "style") {
            StyleSheet sheet = CssParser::ParseStyleSheet(element->TextContent());
            if (const std::wstring* media = element->FindAttribute("media")) {
                // A media attribute applies to every rule of the sheet that has none of its own.
                StyleSheet scoped = CssParser::ParseStyleSheet(L"@media " + *media + L"{" + element->TextContent() + L"}");
                sheet = std::move(scoped);
            }
            AddStyleSheet(std::move(sheet));
            continue;
        }
        element->PushChildrenReversed(pending);
    }
}

// A batch of changes costs one styling and one rebuild of what it reached: each element is
// queued once, and not at all below an element queued for styling, whose styling covers it.
void Document::NoteChange(Element& element, ChangeKind kind)
{
    if (m_client != nullptr)
        m_client->Changed();
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
    if (m_client != nullptr)
        m_client->Changed();
    if (m_styleDirty)
        return;
    // Only selectors see states: a bit that none of them tests changes no style (the grid's
    // focusable bit on a table of thousands of rows, for one).
    if (m_resolver && (m_resolver->StatesTested() & changedBits) == 0)
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

void Document::SetDpi(int dpi)
{
    if (dpi != m_dpi) {
        m_dpi = dpi;
        m_styleDirty = true;
    }
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

void Document::UpdateStyle()
{
    if (m_styleDirty || !m_resolver) {
        m_styleDirty = false;
        std::vector<const StyleSheet*> sheets;
        for (const auto& sheet : m_sheets)
            sheets.push_back(sheet.get());
        m_resolver = std::make_unique<StyleResolver>(sheets, m_media);
        DropQueues();
        m_changes.Full = true;
        Restyle({m_root});
    } else if (!m_restyle.empty()) {
        RestyleQueued();
    } else {
        return;
    }
    RequestBehaviors();
}

void Document::RestyleQueued()
{
    std::vector<Element*> queued;
    queued.swap(m_restyle);
    std::vector<Element*> tops;
    tops.reserve(queued.size());
    for (Element* element : queued) {
        if (element->OwnerDocument() == this)
            tops.push_back(element);
    }
    // Selectors with + and ~ reach the siblings that follow a change: from the first changed
    // child of each parent on, every later sibling is styled too, once however many changed.
    std::vector<Element*> siblings;
    if (m_resolver->UsesSiblingCombinators()) {
        std::unordered_map<Element*, std::size_t> firstChanged;
        for (Element* element : tops) {
            Element* parent = element->Parent();
            if (parent == nullptr || !m_resolver->ReachesLaterSiblings(*element))
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
    Restyle(tops);
    for (Element* element : siblings)
        element->m_queued = static_cast<std::uint8_t>(element->m_queued & ~kQueuedRestyle);
    for (Element* element : queued) {
        element->m_queued = static_cast<std::uint8_t>(element->m_queued & ~kQueuedRestyle);
        element->Unuse();
    }
}

namespace {

// Elements with the same winning declarations under the same parent style have the same
// computed style: the cells of a table column share one instead of each building its own.
// Looked up by a view of the element's winners, copied only when a new style is kept.
struct StyleKey {
    const ComputedStyle* Parent;
    std::vector<const Declaration*> Winners;
};

struct StyleKeyView {
    const ComputedStyle* Parent;
    const std::vector<const Declaration*>* Winners;
};

struct StyleKeyHash {
    using is_transparent = void;
    static std::size_t Of(const ComputedStyle* parent, const std::vector<const Declaration*>& winners)
    {
        std::size_t hash = std::hash<const void*>()(parent);
        for (const Declaration* winner : winners)
            hash = hash * 1000003u ^ std::hash<const void*>()(winner);
        return hash;
    }
    std::size_t operator()(const StyleKey& key) const { return Of(key.Parent, key.Winners); }
    std::size_t operator()(const StyleKeyView& key) const { return Of(key.Parent, *key.Winners); }
};

struct StyleKeyEqual {
    using is_transparent = void;
    static bool Same(const ComputedStyle* a, const std::vector<const Declaration*>& aw, const ComputedStyle* b,
                     const std::vector<const Declaration*>& bw)
    {
        return a == b && aw == bw;
    }
    bool operator()(const StyleKey& a, const StyleKey& b) const { return Same(a.Parent, a.Winners, b.Parent, b.Winners); }
    bool operator()(const StyleKey& a, const StyleKeyView& b) const { return Same(a.Parent, a.Winners, b.Parent, *b.Winners); }
    bool operator()(const StyleKeyView& a, const StyleKey& b) const { return Same(a.Parent, *a.Winners, b.Parent, b.Winners); }
};

} // namespace

void Document::Restyle(const std::vector<Element*>& tops)
{
    StyleBuilder builder(m_dpi);
    bool full = m_changes.Full;
    std::unordered_map<StyleKey, std::shared_ptr<const ComputedStyle>, StyleKeyHash, StyleKeyEqual> shared;
    m_resolver->ApplyToTrees(tops, [&](Element& element) {
        ++m_styled;
        const Element* parent = element.Parent();
        const ComputedStyle* parentStyle = parent != nullptr && &element != m_root ? parent->Computed().get() : nullptr;
        auto found = shared.find(StyleKeyView{parentStyle, &element.CascadedStyle()});
        std::shared_ptr<const ComputedStyle> style;
        if (found != shared.end()) {
            style = found->second;
        } else {
            style = std::make_shared<ComputedStyle>(builder.Build(element.CascadedStyle(), parentStyle));
            shared.emplace(StyleKey{parentStyle, element.CascadedStyle()}, style);
        }
        // A new element gets its boxes with its parent's, whose children changed as it came.
        if (!full && element.Computed()) {
            StyleChange change = Compare(element.Computed().get(), *style);
            if (change != StyleChange::None) {
                element.Use();
                m_changes.Styles.push_back({&element, change});
            }
        }
        element.SetComputed(std::move(style));
        NoteBehaviors(element);
    });
}

// The behaviors a style newly names for an element, to ask the client for once styling ends.
void Document::NoteBehaviors(Element& element)
{
    const std::wstring* behavior = StyleResolver::Lookup(element, "behavior");
    if (behavior == nullptr || m_client == nullptr)
        return;
    std::size_t at = 0;
    while (at < behavior->size()) {
        while (at < behavior->size() && ((*behavior)[at] == L' ' || (*behavior)[at] == L','))
            ++at;
        std::size_t end = at;
        while (end < behavior->size() && (*behavior)[end] != L' ' && (*behavior)[end] != L',')
            ++end;
        if (end > at) {
            std::string name = WideToUtf8(behavior->substr(at, end - at));
            auto& asked = element.RequestedBehaviors();
            if (std::find(asked.begin(), asked.end(), name) == asked.end()) {
                asked.push_back(name);
                element.Use();
                m_behaviorRequests.push_back({&element, std::move(name)});
            }
        }
        at = end;
    }
}

void Document::RequestBehaviors()
{
    // The client may change the tree while it answers: each element is held until then.
    std::vector<BehaviorRequest> requests;
    requests.swap(m_behaviorRequests);
    for (BehaviorRequest& request : requests) {
        if (request.Target->OwnerDocument() == this && m_client != nullptr)
            m_client->BehaviorNamed(*request.Target, request.Name);
        request.Target->Unuse();
    }
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
