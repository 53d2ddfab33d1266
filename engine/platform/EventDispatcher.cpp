#include "engine/platform/EventDispatcher.h"

#include "engine/dom/Document.h"
#include "engine/dom/Element.h"
#include "engine/input/FormControls.h"
#include "engine/layout/ScrollBarWidget.h"
#include "engine/platform/BoundaryCodes.h"
#include "engine/platform/ElementHandles.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace Engine {

namespace {

HtmlElementProc ProcOf(const HandlerEntry& entry)
{
    return reinterpret_cast<HtmlElementProc>(entry.Proc);
}

// Holds every element of a route for as long as the route runs.
class HeldPath {
public:
    explicit HeldPath(Element& target)
    {
        for (Element* at = &target; at != nullptr; at = at->Parent()) {
            at->Use();
            m_path.push_back(at);
        }
        std::reverse(m_path.begin(), m_path.end());
    }
    ~HeldPath()
    {
        for (Element* element : m_path)
            element->Unuse();
    }
    HeldPath(const HeldPath&) = delete;
    HeldPath& operator=(const HeldPath&) = delete;
    [[nodiscard]] const std::vector<Element*>& RootFirst() const { return m_path; }

private:
    std::vector<Element*> m_path;
};

// The nearest element, from the target up, that the engine clicks itself.
Element* ClickableFrom(Element* target)
{
    for (Element* at = target; at != nullptr; at = at->Parent()) {
        ControlKind type = FormControls::ControlType(*at);
        if (type == ControlKind::CheckBox || type == ControlKind::Radio || type == ControlKind::Button)
            return at;
        // A label's text clicks the box it names, as in every browser.
        if (at->Tag() == "label") {
            Element* control = FormControls::LabelledControl(*at);
            return control != nullptr && control != at ? ClickableFrom(control) : nullptr;
        }
    }
    return nullptr;
}

Element* g_pressed = nullptr;

} // namespace

void EventDispatcher::Attach(Element& element, HtmlElementProc proc, void* tag, unsigned groups)
{
    auto& handlers = element.Handlers();
    auto opaque = reinterpret_cast<OpaqueProc>(proc);
    for (HandlerEntry& entry : handlers) {
        if (entry.Proc == opaque && entry.Tag == tag) {
            entry.Groups = groups;
            return;
        }
    }
    handlers.push_back({opaque, tag, groups});
    HtmlInitializationParams params{HL_BEHAVIOR_ATTACH};
    proc(tag, ToHandle(&element), HL_HANDLE_INITIALIZATION, &params);
}

bool EventDispatcher::Detach(Element& element, HtmlElementProc proc, void* tag)
{
    if (std::as_const(element).Handlers().empty())
        return false;
    auto& handlers = element.Handlers();
    auto opaque = reinterpret_cast<OpaqueProc>(proc);
    auto found = std::find_if(handlers.begin(), handlers.end(),
                              [&](const HandlerEntry& entry) { return entry.Proc == opaque && entry.Tag == tag; });
    if (found == handlers.end())
        return false;
    handlers.erase(found);
    HtmlInitializationParams params{HL_BEHAVIOR_DETACH};
    proc(tag, ToHandle(&element), HL_HANDLE_INITIALIZATION, &params);
    return true;
}

void EventDispatcher::DetachTree(Element& root)
{
    std::vector<Element*> pending{&root};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        element->PushChildrenReversed(pending);
        if (std::as_const(*element).Handlers().empty())
            continue;
        std::vector<HandlerEntry> handlers;
        handlers.swap(element->Handlers());
        for (const HandlerEntry& entry : handlers) {
            HtmlInitializationParams params{HL_BEHAVIOR_DETACH};
            ProcOf(entry)(entry.Tag, ToHandle(element), HL_HANDLE_INITIALIZATION, &params);
        }
    }
}

bool EventDispatcher::CallOwn(Element& element, unsigned group, void* params)
{
    // A procedure may attach or detach others while it runs: work on a copy and call only
    // those still attached.
    std::vector<HandlerEntry> snapshot = std::as_const(element).Handlers();
    for (const HandlerEntry& entry : snapshot) {
        if ((entry.Groups & group) == 0)
            continue;
        const auto& now = std::as_const(element).Handlers();
        bool attached = std::any_of(now.begin(), now.end(), [&](const HandlerEntry& other) {
            return other.Proc == entry.Proc && other.Tag == entry.Tag && (other.Groups & group) != 0;
        });
        if (attached && ProcOf(entry)(entry.Tag, ToHandle(&element), group, params))
            return true;
    }
    return false;
}

template <typename Params>
bool EventDispatcher::Route(Element& start, unsigned group, Params& params)
{
    HeldPath path(start);
    unsigned code = params.cmd;
    params.cmd = code | HL_SINKING;
    for (Element* element : path.RootFirst()) {
        if (CallOwn(*element, group, &params))
            return true;
    }
    params.cmd = code;
    const auto& elements = path.RootFirst();
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
        if (CallOwn(**it, group, &params))
            return true;
    }
    return false;
}

bool EventDispatcher::Mouse(Document& document, Element& hit, HtmlMouseParams params)
{
    Element& target = document.CaptureElement() != nullptr ? *document.CaptureElement() : hit;
    target.Use();
    params.target = ToHandle(&target);
    bool consumed = Route(target, HL_HANDLE_MOUSE, params);
    // What no procedure took, the engine's own inputs answer: a press and a release on the
    // same checkbox, radio button or button click it.
    if (!consumed && (params.cmd == HL_MOUSE_DOWN || params.cmd == HL_MOUSE_UP) &&
        (params.buttonState & HL_MAIN_MOUSE_BUTTON) != 0 && target.OwnerDocument() == &document) {
        Element* clickable = ClickableFrom(&target);
        if (params.cmd == HL_MOUSE_DOWN) {
            if (g_pressed != nullptr)
                g_pressed->Unuse();
            g_pressed = clickable;
            if (clickable != nullptr) {
                clickable->Use();
                SetFocus(document, clickable, true);
            }
        } else if (clickable != nullptr && clickable == g_pressed &&
                   (clickable->State() & kStateDisabled) == 0) {
            if (FormControls::Click(*clickable))
                BehaviorEvent(*clickable, HL_BUTTON_CLICK, clickable, 0);
        }
        if (params.cmd == HL_MOUSE_UP && g_pressed != nullptr) {
            g_pressed->Unuse();
            g_pressed = nullptr;
        }
    }
    target.Unuse();
    return consumed;
}

bool EventDispatcher::Key(Document& document, HtmlKeyParams params)
{
    Element& target = document.FocusElement() != nullptr ? *document.FocusElement() : document.Root();
    params.target = ToHandle(&target);
    return Route(target, HL_HANDLE_KEY, params);
}

bool EventDispatcher::BehaviorEvent(Element& element, unsigned code, Element* source, UINT_PTR reason)
{
    HtmlBehaviorEventParams params{code, ToHandle(source != nullptr ? source : &element), ToHandle(&element), reason};
    return Route(element, HL_HANDLE_BEHAVIOR_EVENT, params);
}

bool EventDispatcher::CallMethod(Element& element, HtmlMethodParams& params)
{
    element.Use();
    bool handled = CallOwn(element, HL_HANDLE_METHOD_CALL, &params);
    if (!handled && params.methodId == HL_DO_CLICK && FormControls::ControlType(element) != ControlKind::None &&
        (element.State() & kStateDisabled) == 0) {
        static_cast<void>(FormControls::Click(element));
        BehaviorEvent(element, HL_BUTTON_CLICK, &element, 0);
        handled = true;
    }
    if (!handled && ScrollBarWidget::Is(element) &&
        (params.methodId == HL_SCROLL_BAR_GET_VALUE || params.methodId == HL_SCROLL_BAR_SET_VALUE)) {
        // The caller's record is the longer one that the method's id names.
        auto& value = static_cast<HtmlScrollBarValueParams&>(params);
        if (params.methodId == HL_SCROLL_BAR_SET_VALUE) {
            ScrollBarWidget::Set(element, {value.value, value.minValue, value.maxValue, value.pageValue});
        } else {
            const ScrollBarWidget::Value now = ScrollBarWidget::Get(element);
            value.value = now.Position;
            value.minValue = now.Min;
            value.maxValue = now.Max;
            value.pageValue = now.Page;
        }
        handled = true;
    }
    element.Unuse();
    return handled;
}

bool EventDispatcher::Scroll(Element& element, HtmlScrollParams params)
{
    return Route(element, HL_HANDLE_SCROLL, params);
}

void EventDispatcher::SetFocus(Document& document, Element* element, bool byMouse)
{
    Element* old = document.FocusElement();
    document.SetFocusByKeyboard(!byMouse);
    if (old == element)
        return;
    if (document.Client() != nullptr)
        document.Client()->FocusMoved(old, element);
    if (old != nullptr) {
        old->Use();
        document.SetFocusElement(nullptr);
        old->ChangeState(0, kStateFocus);
        HtmlFocusParams lost{HL_FOCUS_LOST, ToHandle(old), byMouse ? TRUE : FALSE};
        Route(*old, HL_HANDLE_FOCUS, lost);
        old->Unuse();
    }
    if (element != nullptr && element->OwnerDocument() == &document) {
        document.SetFocusElement(element);
        element->ChangeState(kStateFocus, 0);
        HtmlFocusParams got{HL_FOCUS_GOT, ToHandle(element), byMouse ? TRUE : FALSE};
        Route(*element, HL_HANDLE_FOCUS, got);
    }
}

} // namespace Engine
