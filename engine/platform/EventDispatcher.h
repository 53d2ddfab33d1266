#pragma once
#include "engine/HTMLayout.h"

namespace Engine {

class Document;
class Element;

// Event routing for the host's element procedures, in the boundary's own event records.
// Mouse, key, focus and behavior events go from the root down to the target with HL_SINKING
// added to their code, then from the target back up to the root; the first procedure that
// returns TRUE consumes the event and it goes no further. Timer, method and initialization
// events reach the element's own procedures only.
class EventDispatcher {
public:
    static void Attach(Element& element, HtmlElementProc proc, void* tag, unsigned groups);
    static bool Detach(Element& element, HtmlElementProc proc, void* tag);
    // A page ends: every procedure in it is detached and told so.
    static void DetachTree(Element& root);

    // The element's own procedures that asked for the group; true when one consumed it.
    static bool CallOwn(Element& element, unsigned group, void* params);

    static bool Mouse(Document& document, Element& hit, HtmlMouseParams params);
    static bool Key(Document& document, HtmlKeyParams params);
    static bool BehaviorEvent(Element& element, unsigned code, Element* source, UINT_PTR reason);
    static bool CallMethod(Element& element, HtmlMethodParams& params);
    // From the element up, as the other routed groups.
    static bool Scroll(Element& element, HtmlScrollParams params);
    static void SetFocus(Document& document, Element* element, bool byMouse);

private:
    template <typename Params>
    static bool Route(Element& start, unsigned group, Params& params);
};

} // namespace Engine
