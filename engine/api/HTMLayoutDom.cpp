// Boundary functions: handles, the tree, attributes, styles, content and states.
#include "engine/HTMLayout.h"

#include "engine/api/Handles.h"
#include "engine/css/ElementStyle.h"
#include "engine/css/Selector.h"
#include "engine/css/StyleResolver.h"
#include "engine/dom/HtmlSerializer.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Text.h"
#include "engine/dom/Utf.h"
#include "engine/input/FormControls.h"
#include "engine/platform/BoundaryCodes.h"
#include "engine/platform/EventDispatcher.h"
#include "engine/platform/View.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace Engine;

namespace {

// The uses that belong to the tree (the parent's, or the document's for its root).
int TreeUses(Element& element)
{
    Document* document = element.OwnerDocument();
    return element.Parent() != nullptr || (document != nullptr && &document->Root() == &element) ? 1 : 0;
}

std::optional<std::vector<ComplexSelector>> ParseSelector(LPCSTR selector)
{
    if (selector == nullptr)
        return std::nullopt;
    return Selector::ParseList(Utf8ToWide(selector));
}

// Holds an element for the length of a call that may run the host's code.
class Held {
public:
    explicit Held(Element& element) : m_element(element) { m_element.Use(); }
    ~Held() { m_element.Unuse(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    Element& m_element;
};

} // namespace

HtmlDomResult WINAPI HTMLayout_UseElement(HELEMENT he)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    element->Use();
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayout_UnuseElement(HELEMENT he)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    // An unuse without its use must not take the tree's own count away.
    if (element->UseCount() <= TreeUses(*element))
        return HLDOM_OPERATION_FAILED;
    element->Unuse();
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutSelectElements(HELEMENT he, LPCSTR selector, HtmlElementCallback callback, LPVOID param)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    auto selectors = ParseSelector(selector);
    if (!selectors || callback == nullptr)
        return HLDOM_INVALID_PARAMETER;
    // Matches are found first and held, so that a callback may change the tree freely.
    std::vector<Element*> matches;
    MatchContext context;
    std::vector<Element*> pending;
    element->PushChildrenReversed(pending);
    while (!pending.empty()) {
        Element* at = pending.back();
        pending.pop_back();
        if (Selector::MatchesAny(*selectors, *at, context)) {
            at->Use();
            matches.push_back(at);
        }
        at->PushChildrenReversed(pending);
    }
    bool stopped = false;
    for (Element* match : matches) {
        if (!stopped && callback(ToHandle(match), param))
            stopped = true;
        match->Unuse();
    }
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutSelectParent(HELEMENT he, LPCSTR selector, UINT depth, HELEMENT* found)
{
    Element* element = FromHandle(he);
    if (found != nullptr)
        *found = nullptr;
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    auto selectors = ParseSelector(selector);
    if (!selectors || found == nullptr)
        return HLDOM_INVALID_PARAMETER;
    UINT level = 0;
    MatchContext context;
    for (Element* at = element; at != nullptr && (depth == 0 || level < depth); at = at->Parent(), ++level) {
        if (Selector::MatchesAny(*selectors, *at, context)) {
            *found = ToHandle(at);
            break;
        }
    }
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutGetParentElement(HELEMENT he, HELEMENT* parent)
{
    return ReadElement(he, parent, [](Element& element) { return ToHandle(element.Parent()); });
}

HtmlDomResult WINAPI HTMLayoutGetNthChild(HELEMENT he, UINT n, HELEMENT* child)
{
    return ReadElement(he, child, [n](Element& element) {
        const auto& children = element.Children();
        return n < children.size() ? ToHandle(children[n]) : nullptr;
    });
}

HtmlDomResult WINAPI HTMLayoutGetChildrenCount(HELEMENT he, UINT* count)
{
    return ReadElement(he, count, [](Element& element) { return static_cast<UINT>(element.Children().size()); });
}

HtmlDomResult WINAPI HTMLayoutGetElementIndex(HELEMENT he, UINT* index)
{
    return ReadElement(he, index, [](Element& element) { return static_cast<UINT>(element.IndexInParent()); });
}

HtmlDomResult WINAPI HTMLayoutGetElementType(HELEMENT he, LPCSTR* tag)
{
    return ReadElement(he, tag, [](Element& element) { return element.Tag().c_str(); });
}

HtmlDomResult WINAPI HTMLayoutGetElementHwnd(HELEMENT he, HWND* hwnd, BOOL)
{
    if (hwnd == nullptr)
        return FromHandle(he) != nullptr ? HLDOM_INVALID_PARAMETER : HLDOM_INVALID_HANDLE;
    *hwnd = nullptr;
    return WithView(he, [hwnd](Element&, View& view) { *hwnd = view.Window(); });
}

HtmlDomResult WINAPI HTMLayoutIsElementEnabled(HELEMENT he, BOOL* enabled)
{
    return ReadElement(he, enabled, [](Element& element) -> BOOL {
        for (Element* at = &element; at != nullptr; at = at->Parent()) {
            if (at->State() & kStateDisabled)
                return FALSE;
        }
        return TRUE;
    });
}

HtmlDomResult WINAPI HTMLayoutGetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR* value)
{
    return ReadNamedText(he, name, value, [](Element& element, LPCSTR attribute) { return element.FindAttribute(attribute); });
}

HtmlDomResult WINAPI HTMLayoutSetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR value)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (name == nullptr || *name == 0)
        return HLDOM_INVALID_PARAMETER;
    if (value == nullptr)
        element->RemoveAttribute(name);
    else
        element->SetAttribute(name, value);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutGetAttributeCount(HELEMENT he, UINT* count)
{
    return ReadElement(he, count, [](Element& element) { return static_cast<UINT>(element.Attributes().size()); });
}

HtmlDomResult WINAPI HTMLayoutGetNthAttribute(HELEMENT he, UINT n, LPCSTR* name, LPCWSTR* value)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (name == nullptr || value == nullptr || n >= element->Attributes().size())
        return HLDOM_INVALID_PARAMETER;
    const Attribute& attribute = element->Attributes()[n];
    *name = attribute.Name.c_str();
    *value = attribute.Value.c_str();
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutGetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR* value)
{
    return ReadNamedText(he, name, value, [](Element& element, LPCSTR property) {
        UpdateStyleOf(element);
        std::string lower(property);
        for (char& c : lower)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        return StyleResolver::Lookup(element, lower);
    });
}

HtmlDomResult WINAPI HTMLayoutSetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR value)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (name == nullptr || *name == 0)
        return HLDOM_INVALID_PARAMETER;
    std::wstring text = value != nullptr ? value : L"";
    ElementStyle::SetRuntime(*element, name, value != nullptr ? &text : nullptr);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutGetElementHtml(HELEMENT he, BOOL outer, HtmlBytesReceiver receiver, LPVOID param)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (receiver == nullptr)
        return HLDOM_INVALID_PARAMETER;
    std::string html = HtmlSerializer::Serialize(*element, outer ? HtmlScope::Outer : HtmlScope::Inner);
    receiver(reinterpret_cast<LPCBYTE>(html.c_str()), static_cast<UINT>(html.size()), param);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutSetElementHtml(HELEMENT he, LPCBYTE html, UINT length, UINT where)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if ((html == nullptr && length != 0) || where > HL_SOH_INSERT_AFTER || length > Document::kMaxSourceBytes)
        return HLDOM_INVALID_PARAMETER;
    Element* parent = element->Parent();
    if (where >= HL_SOH_REPLACE && parent == nullptr)
        return HLDOM_OPERATION_FAILED;
    Held hold(*element);
    Element* target = where >= HL_SOH_REPLACE ? parent : element;
    // The fragment's elements go beside its deepest rather than below the nesting cap; at the
    // cap itself there is no room for any element.
    constexpr std::size_t kCap = HtmlTreeBuilder::kMaxDepth;
    std::size_t depth = std::min(target->Depth(), kCap);
    auto* fragment = new Element("fragment");
    fragment->Use();
    std::string_view bytes(reinterpret_cast<const char*>(html), length);
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.remove_suffix(1);
    HtmlTreeBuilder::BuildFragment(*fragment, Utf8ToWide(bytes), kCap - depth);
    if (depth == kCap && !fragment->Children().empty()) {
        fragment->Unuse();
        return HLDOM_INVALID_PARAMETER;
    }
    FormControls::PrepareTree(*fragment, depth);
    std::vector<Node*> nodes = fragment->Nodes();
    for (Node* node : nodes)
        node->Use();
    fragment->RemoveAllNodes();
    fragment->Unuse();

    std::size_t at = 0;
    const auto& siblings = target->Nodes();
    auto indexOfElement = [&] {
        return static_cast<std::size_t>(std::find(siblings.begin(), siblings.end(), element) - siblings.begin());
    };
    switch (where) {
    case HL_SIH_REPLACE_CONTENT: element->RemoveAllNodes(); break;
    case HL_SIH_INSERT_AT_START: at = 0; break;
    case HL_SIH_APPEND_AFTER_LAST: at = siblings.size(); break;
    case HL_SOH_REPLACE:
    case HL_SOH_INSERT_BEFORE: at = indexOfElement(); break;
    default: at = indexOfElement() + 1; break;
    }
    for (Node* node : nodes) {
        std::size_t before = target->Nodes().size();
        target->InsertNode(node, at);
        at += target->Nodes().size() - before;  // a text merged into its neighbour adds no node
        node->Unuse();
    }
    if (where == HL_SOH_REPLACE)
        element->Detach();
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutGetElementInnerText16(HELEMENT he, HtmlWideTextReceiver receiver, LPVOID param)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (receiver == nullptr)
        return HLDOM_INVALID_PARAMETER;
    std::wstring text;
    if (FormControls::IsValueInput(*element)) {
        const std::wstring* value = element->FindAttribute("value");
        text = value != nullptr ? *value : std::wstring();
    } else {
        text = element->TextContent();
    }
    receiver(text.c_str(), static_cast<UINT>(text.size()), param);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutSetElementInnerText16(HELEMENT he, LPCWSTR text, UINT length)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (text == nullptr && length != 0)
        return HLDOM_INVALID_PARAMETER;
    std::wstring value(text != nullptr ? text : L"", length);
    if (FormControls::IsValueInput(*element))
        element->SetAttribute("value", std::move(value));
    else
        element->SetTextContent(std::move(value));
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutCreateElement(LPCSTR tag, LPCWSTR text, HELEMENT* created)
{
    if (created != nullptr)
        *created = nullptr;
    if (tag == nullptr || *tag == 0 || created == nullptr)
        return HLDOM_INVALID_PARAMETER;
    std::string name(tag);
    for (char& c : name)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    auto* element = new Element(std::move(name));
    element->Use();
    if (text != nullptr)
        element->SetTextContent(text);
    *created = ToHandle(element);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutInsertElement(HELEMENT he, HELEMENT parentHandle, UINT index)
{
    Element* element = FromHandle(he);
    Element* parent = FromHandle(parentHandle);
    if (element == nullptr || parent == nullptr)
        return HLDOM_INVALID_HANDLE;
    Document* document = element->OwnerDocument();
    if (element->Contains(parent) || (document != nullptr && &document->Root() == element))
        return HLDOM_INVALID_PARAMETER;
    // Nothing may sit deeper than the nesting cap: layout and painting walk the tree.
    constexpr std::size_t kCap = HtmlTreeBuilder::kMaxDepth;
    std::size_t depth = parent->Depth() + 1;
    if (depth > kCap || element->Height(kCap - depth) > kCap - depth)
        return HLDOM_INVALID_PARAMETER;
    Held hold(*element);
    element->Detach();
    parent->InsertElementAt(element, index);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutDeleteElement(HELEMENT he)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (element->Parent() == nullptr)
        return HLDOM_OPERATION_FAILED;
    element->Detach();
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutUpdateElement(HELEMENT he, UINT flags)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    Held hold(*element);
    if ((flags & HL_UPDATE_RESET_STYLE) != 0)
        element->NoteChanged(ChangeKind::Attributes);
    UpdateStyleOf(*element);
    if (View* view = View::ForDocument(element->OwnerDocument())) {
        // Its box is painted again even when nothing about it changed: a procedure that draws
        // it asks for that (a clock's hands).
        view->Renderer().Layout().Repaint(*element);
        view->UpdateNow();
        if ((flags & HL_UPDATE_NOW) != 0)
            UpdateWindow(view->Window());
    }
    return HLDOM_OK;
}

// State bits cross the boundary as they are (BoundaryCodes.h).
HtmlDomResult WINAPI HTMLayoutGetElementState(HELEMENT he, UINT* state)
{
    return ReadElement(he, state, [](Element& element) { return static_cast<UINT>(element.State()); });
}

HtmlDomResult WINAPI HTMLayoutSetElementState(HELEMENT he, UINT bitsToSet, UINT bitsToClear, BOOL)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    // The focus is the document's to move: its element loses it, handlers and listeners hear.
    Document* page = element->OwnerDocument();
    const bool taking = (bitsToSet & kStateFocus) != 0;
    if (page != nullptr && (taking || ((bitsToClear & kStateFocus) != 0 && page->FocusElement() == element))) {
        element->Use();
        EventDispatcher::SetFocus(*page, taking ? element : nullptr, true);
        element->Unuse();
    }
    bitsToSet &= ~static_cast<UINT>(kStateFocus);
    bitsToClear &= ~static_cast<UINT>(kStateFocus);
    unsigned before = element->State();
    element->ChangeState(bitsToSet, bitsToClear);
    FormControls::StateChanged(*element, before);
    return HLDOM_OK;
}
