#pragma once
#include "ui/EventHandler.h"

// A named receiver of element events that pages ask for in their style sheets
// ("behavior: grid"). One instance of each serves every element that names it, so it keeps what
// it must remember in the elements themselves (states and attributes). Every behavior registers
// itself when constructed, before any window exists; the registry never changes afterwards.
class Behavior : public EventHandler {
public:
    Behavior(const char* name, UINT groups);

    [[nodiscard]] const char* Name() const { return m_name; }
    [[nodiscard]] UINT Groups() const { return m_groups; }

    // The handler for one element: this shared instance, unless a behavior keeps one per element.
    virtual EventHandler* HandlerFor(HELEMENT element);

    // The registered behavior of exactly that name, or none.
    [[nodiscard]] static Behavior* Find(const char* name);
    // Answers the engine's attach-behavior notification; a name not registered leaves it unfilled,
    // so that the engine's own behavior of that name applies.
    static void Attach(HtmlNotifyAttachBehavior& request);

private:
    // Constant-initialised, so that behaviors constructed during static start-up find it ready.
    static inline constinit Behavior* s_registry = nullptr;

    const char* m_name;
    UINT m_groups;
    Behavior* m_next;
};
