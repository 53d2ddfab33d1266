#include "engine/css/DocumentStyle.h"

#include "engine/css/CssParser.h"
#include "engine/css/DefaultStyleSheet.h"
#include "engine/css/ElementStyle.h"
#include "engine/css/StyleBuilder.h"
#include "engine/css/StyleResolver.h"
#include "engine/dom/Utf.h"

#include <algorithm>
#include <cwctype>
#include <unordered_map>

namespace Engine {

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

DocumentStyle::DocumentStyle(Document& document) : m_document(document) {}

DocumentStyle::~DocumentStyle()
{
    for (BehaviorRequest& request : m_behaviorRequests)
        request.Target->Unuse();
}

void DocumentStyle::FollowLoads()
{
    if (m_loadsSeen == m_document.Loads())
        return;
    m_loadsSeen = m_document.Loads();
    m_sheets.clear();
    m_resolver.reset();
    std::vector<Element*> pending{&m_document.Root()};
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

const std::vector<std::unique_ptr<StyleSheet>>& DocumentStyle::StyleSheets()
{
    FollowLoads();
    return m_sheets;
}

void DocumentStyle::AddStyleSheet(StyleSheet sheet)
{
    FollowLoads();
    m_sheets.push_back(std::make_unique<StyleSheet>(std::move(sheet)));
    m_settingsChanged = true;
}

void DocumentStyle::SetMediaType(std::wstring media)
{
    for (wchar_t& c : media)
        c = static_cast<wchar_t>(std::towlower(c));
    m_media = std::move(media);
    m_settingsChanged = true;
}

void DocumentStyle::SetDpi(int dpi)
{
    if (dpi != m_dpi) {
        m_dpi = dpi;
        m_settingsChanged = true;
    }
}

void DocumentStyle::Update()
{
    FollowLoads();
    if (m_settingsChanged || m_document.WholePageDirty() || !m_resolver) {
        m_settingsChanged = false;
        std::vector<const StyleSheet*> sheets;
        for (const auto& sheet : m_sheets)
            sheets.push_back(sheet.get());
        m_resolver = std::make_unique<StyleResolver>(sheets, m_media);
        m_document.SetStatesTested(m_resolver->StatesTested());
        m_document.BeginWholeRestyle();
        Restyle({&m_document.Root()});
    } else if (m_document.StyleDirty()) {
        std::function<bool(const Element&)> reachesLaterSiblings;
        if (m_resolver->UsesSiblingCombinators())
            reachesLaterSiblings = [this](const Element& element) { return m_resolver->ReachesLaterSiblings(element); };
        RestyleBatch batch = m_document.TakeRestyleBatch(reachesLaterSiblings);
        Restyle(batch.Tops);
    } else {
        return;
    }
    RequestBehaviors();
}

void DocumentStyle::Restyle(const std::vector<Element*>& tops)
{
    StyleBuilder builder(m_dpi);
    bool full = m_document.WholeRestyle();
    std::unordered_map<StyleKey, std::shared_ptr<const ComputedStyle>, StyleKeyHash, StyleKeyEqual> shared;
    m_resolver->ApplyToTrees(tops, [&](Element& element) {
        ++m_styled;
        const Element* parent = element.Parent();
        const ComputedStyle* parentStyle = parent != nullptr && &element != &m_document.Root() ? parent->Computed().get() : nullptr;
        auto found = shared.find(StyleKeyView{parentStyle, &ElementStyle::Cascaded(element)});
        std::shared_ptr<const ComputedStyle> style;
        if (found != shared.end()) {
            style = found->second;
        } else {
            style = std::make_shared<ComputedStyle>(builder.Build(ElementStyle::Cascaded(element), parentStyle));
            shared.emplace(StyleKey{parentStyle, ElementStyle::Cascaded(element)}, style);
        }
        // A new element gets its boxes with its parent's, whose children changed as it came.
        if (!full && element.Computed()) {
            StyleChange change = Compare(element.Computed().get(), *style);
            if (change != StyleChange::None)
                m_document.NoteStyleChanged(element, change);
        }
        element.SetComputed(std::move(style));
        NoteBehaviors(element);
    });
}

// The behaviors a style newly names for an element, to ask the client for once styling ends.
// Only the page's own sheets and style attributes (and the program's settings) name behaviors
// for the client: the engine's sheet names the engine's own controls, which a host that happens
// to register the same name ("dropdown", "hyperlink") must not take over.
void DocumentStyle::NoteBehaviors(Element& element)
{
    const std::wstring* behavior = StyleResolver::Lookup(element, "behavior");
    if (behavior == nullptr || m_document.Client() == nullptr || DefaultStyleSheet::Holds(behavior))
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

void DocumentStyle::RequestBehaviors()
{
    // The client may change the tree while it answers: each element is held until then.
    std::vector<BehaviorRequest> requests;
    requests.swap(m_behaviorRequests);
    for (BehaviorRequest& request : requests) {
        if (request.Target->OwnerDocument() == &m_document && m_document.Client() != nullptr)
            m_document.Client()->BehaviorNamed(*request.Target, request.Name);
        request.Target->Unuse();
    }
}

} // namespace Engine
