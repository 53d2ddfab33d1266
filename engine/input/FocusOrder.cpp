#include "engine/input/FocusOrder.h"

#include "engine/css/ComputedStyle.h"
#include "engine/dom/Document.h"
#include "engine/dom/Utf.h"
#include "engine/input/FormControls.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <vector>

namespace Engine {

namespace {

// The tabindex, or INT_MIN without a readable one.
int TabIndex(const Element& element)
{
    const std::wstring* value = element.FindAttribute("tabindex");
    if (value == nullptr || value->empty())
        return INT_MIN;
    wchar_t* end = nullptr;
    long index = std::wcstol(value->c_str(), &end, 10);
    if (end == value->c_str())
        return INT_MIN;
    return static_cast<int>(std::clamp<long>(index, -32768, 32767));
}

// One of the engine's inputs. A program's behavior on a plain element (a scroller, a grid) does
// not make it one: such an element takes the focus only when its behavior asks for it, and what
// lies inside it (the grid inside a scroller) keeps its own place in the tab order.
bool IsControl(const Element& element)
{
    const ControlKind kind = FormControls::ControlType(element);
    return kind != ControlKind::None && kind != ControlKind::Unknown;
}

} // namespace

bool FocusOrder::IsFocusable(const Element& element)
{
    if ((element.State() & kStateDisabled) != 0 || element.LayoutBox() == nullptr)
        return false;
    // A drop-down's own caption, button and list are the drop-down's.
    for (const Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
        if (FormControls::ControlType(*at) == ControlKind::DropDown)
            return false;
    }
    const auto& style = element.Computed();
    if (!style || style->Inherited.Visible != Visibility::Visible)
        return false;
    int index = TabIndex(element);
    if (index != INT_MIN)
        return index >= 0;
    if ((element.State() & kStateFocusable) != 0)
        return true;
    const std::string& tag = element.Tag();
    if (tag == "a")
        return element.HasAttribute("href");
    if (tag == "input") {
        const std::wstring* type = element.FindAttribute("type");
        return type == nullptr || !EqualsIgnoringAsciiCase(*type, L"hidden");
    }
    return tag == "button" || tag == "select" || tag == "textarea" || IsControl(element);
}

Element* FocusOrder::Next(Document& document, Element* from, bool backward)
{
    struct Stop {
        Element* Target;
        int Index;     // tabindex, 0 for none
        std::size_t Order;
    };
    std::vector<Stop> stops;
    std::vector<Element*> pending{&document.Root()};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        if (element->LayoutBox() == nullptr && element != &document.Root())
            continue;  // nothing below an element without a box is shown
        if (element != &document.Root() && IsFocusable(*element)) {
            int index = TabIndex(*element);
            stops.push_back({element, index == INT_MIN ? 0 : index, stops.size()});
            // The parts of a control (a drop-down's caption and button) are the control's own.
            if (IsControl(*element))
                continue;
        }
        element->PushChildrenReversed(pending);
    }
    if (stops.empty())
        return nullptr;
    // Positive indexes first, in their order; then the rest in document order.
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        bool aFirst = a.Index > 0, bFirst = b.Index > 0;
        if (aFirst != bFirst)
            return aFirst;
        return aFirst && a.Index < b.Index;
    });
    auto at = std::find_if(stops.begin(), stops.end(), [from](const Stop& stop) { return stop.Target == from; });
    std::size_t count = stops.size();
    if (at == stops.end())
        return backward ? stops.back().Target : stops.front().Target;
    std::size_t position = static_cast<std::size_t>(at - stops.begin());
    return stops[backward ? (position + count - 1) % count : (position + 1) % count].Target;
}

} // namespace Engine
