#include "engine/platform/AccessibleEvents.h"

#include "engine/input/Accessibility.h"
#include "engine/input/FormControls.h"

#include <algorithm>
#include <utility>

namespace Engine {

namespace {

// Windows 8's event for a live region's new content; older systems ignore it.
constexpr DWORD kLiveRegionChanged = 0x8019;

bool HoldsValue(AccessRole role)
{
    return role == AccessRole::EditableText || role == AccessRole::ComboBox;
}

bool HoldsChildren(AccessRole role)
{
    switch (role) {
    case AccessRole::Page: case AccessRole::Table: case AccessRole::Row: case AccessRole::List: case AccessRole::Log:
        return true;
    default: return false;
    }
}

} // namespace

AccessibleEvents::~AccessibleEvents()
{
    Clear();
}

void AccessibleEvents::FocusMoved(Element& to)
{
    Gather(Change::Focus, to, 0);
}

void AccessibleEvents::ElementChanged(Element& element, ChangeKind kind)
{
    Gather(kind == ChangeKind::Children ? Change::Children : Change::Attributes, element, 0);
}

void AccessibleEvents::StateChanged(Element& element, unsigned changedBits)
{
    constexpr unsigned kTold = kStateChecked | kStateCurrent | kStateDisabled | kStateReadOnly | kStatePopup;
    if ((changedBits & kTold) != 0)
        Gather(Change::State, element, changedBits & kTold);
}

// A batch of changes (a table filled, a row marked) tells each element once.
void AccessibleEvents::Gather(Change what, Element& element, unsigned bits)
{
    auto same = std::find_if(m_pending.begin(), m_pending.end(),
                             [&](const Pending& p) { return p.What == what && p.Target == &element; });
    if (same != m_pending.end()) {
        same->Bits |= bits;
        return;
    }
    element.Use();
    m_pending.push_back({what, &element, bits});
}

void AccessibleEvents::Tell()
{
    if (m_pending.empty())
        return;
    std::vector<Pending> pending;
    pending.swap(m_pending);
    std::vector<std::pair<DWORD, Element*>> events;
    const auto add = [&](DWORD event, Element* element) {
        if (element != nullptr && std::find(events.begin(), events.end(), std::make_pair(event, element)) == events.end())
            events.emplace_back(event, element);
    };
    for (const Pending& change : pending) {
        Element& target = *change.Target;
        if (target.OwnerDocument() == nullptr)
            continue;  // it left the page before anyone could read it
        Element* shown = Accessibility::Exposed(target);
        const AccessRole role = Accessibility::RoleOf(*shown);
        switch (change.What) {
        case Change::Focus: add(EVENT_OBJECT_FOCUS, shown); break;
        case Change::Attributes:
            if (HoldsValue(role))
                add(EVENT_OBJECT_VALUECHANGE, shown);
            break;
        case Change::Children:
            if (HoldsValue(role)) {
                add(EVENT_OBJECT_VALUECHANGE, shown);
            } else if (HoldsChildren(role)) {
                add(EVENT_OBJECT_REORDER, shown);
                if (role == AccessRole::Log)
                    add(kLiveRegionChanged, shown);
            } else {
                // Text inside a cell, a button or a label: what a row reads out changes with it.
                add(EVENT_OBJECT_NAMECHANGE, shown);
                Element* parent = Accessibility::Parent(*shown);
                if (parent != nullptr && Accessibility::RoleOf(*parent) == AccessRole::Row)
                    add(EVENT_OBJECT_NAMECHANGE, parent);
            }
            break;
        case Change::State:
            if ((change.Bits & kStatePopup) != 0) {
                const bool showing = (target.State() & kStatePopup) != 0;
                if (Accessibility::RoleOf(target) != AccessRole::None)
                    add(showing ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, &target);
                // A drop-down's list opening is its drop-down expanding.
                if (target.Parent() != nullptr && FormControls::ControlType(*target.Parent()) == ControlKind::DropDown)
                    add(EVENT_OBJECT_STATECHANGE, target.Parent());
            }
            if ((change.Bits & ~static_cast<unsigned>(kStatePopup)) != 0 && role != AccessRole::None) {
                add(EVENT_OBJECT_STATECHANGE, shown);
                constexpr unsigned kChosen = kStateCurrent | kStateChecked;
                const bool chosenNow = (change.Bits & kChosen) != 0 && (target.State() & kChosen) != 0;
                if (chosenNow && (role == AccessRole::Row || role == AccessRole::ListItem))
                    add(EVENT_OBJECT_SELECTION, shown);
            }
            break;
        }
    }
    // A listener in this process reads the tree back inside the call: what was gathered stays
    // held until every event is out.
    for (const auto& [event, element] : events)
        Notify(event, *element);
    for (const Pending& change : pending)
        change.Target->Unuse();
}

void AccessibleEvents::Notify(DWORD event, Element& element)
{
    NotifyWinEvent(event, m_window, OBJID_CLIENT, element.Parent() == nullptr ? CHILDID_SELF : IdOf(element));
}

long AccessibleEvents::IdOf(Element& element)
{
    auto found = m_ids.find(&element);
    if (found != m_ids.end())
        return found->second;
    const long id = m_nextId;
    m_nextId = m_nextId > -0x7FFFFFFF ? m_nextId - 1 : -1;
    element.Use();
    m_ids[&element] = id;
    m_elements[id] = &element;
    return id;
}

Element* AccessibleEvents::ElementOf(long childId) const
{
    auto found = m_elements.find(childId);
    return found != m_elements.end() && found->second->OwnerDocument() != nullptr ? found->second : nullptr;
}

void AccessibleEvents::Forget(Element& element)
{
    for (auto it = m_elements.begin(); it != m_elements.end();) {
        Element* named = it->second;
        if (named != &element && !element.Contains(named)) {
            ++it;
            continue;
        }
        m_ids.erase(named);
        it = m_elements.erase(it);
        named->Unuse();
    }
}

void AccessibleEvents::Clear()
{
    for (const Pending& change : m_pending)
        change.Target->Unuse();
    m_pending.clear();
    for (const auto& [id, element] : m_elements)
        element->Unuse();
    m_elements.clear();
    m_ids.clear();
}

} // namespace Engine
