#pragma once
#include "engine/dom/Element.h"

#include <windows.h>

#include <map>
#include <vector>

namespace Engine {

// What changes in one engine window's page, told to accessibility tools as WinEvents: the focus
// moving, values, names and states changing, rows and lines coming, popups showing. Changes are
// gathered as the page changes and told after the next update, when the tree that a listener
// reads back is current; each event names its element by a negative child id of the window's
// client object, which the window's accessible objects resolve.
class AccessibleEvents {
public:
    explicit AccessibleEvents(HWND window) : m_window(window) {}
    ~AccessibleEvents();
    AccessibleEvents(const AccessibleEvents&) = delete;
    AccessibleEvents& operator=(const AccessibleEvents&) = delete;

    void FocusMoved(Element& to);
    void ElementChanged(Element& element, ChangeKind kind);
    void StateChanged(Element& element, unsigned changedBits);
    // Tells what was gathered; the page's boxes must be current.
    void Tell();

    // The element an event named, while it is still in the page; null for any other id.
    [[nodiscard]] Element* ElementOf(long childId) const;
    // The element leaves the page (with its subtree): ids that named it name nothing now.
    void Forget(Element& element);
    // A new page: every id and gathered change goes.
    void Clear();

private:
    enum class Change { Focus, Children, Attributes, State };
    struct Pending {
        Change What;
        Element* Target;  // used while pending
        unsigned Bits;
    };
    void Gather(Change what, Element& element, unsigned bits);
    void Notify(DWORD event, Element& element);
    [[nodiscard]] long IdOf(Element& element);

    HWND m_window;
    std::vector<Pending> m_pending;
    std::map<long, Element*> m_elements;  // each used while it has its id
    std::map<const Element*, long> m_ids;
    long m_nextId = -1;
};

} // namespace Engine
