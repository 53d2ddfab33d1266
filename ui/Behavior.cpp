#include "ui/Behavior.h"

Behavior::Behavior(const char* name, UINT groups) : m_name(name), m_groups(groups), m_next(s_registry)
{
    s_registry = this;
}

EventHandler* Behavior::HandlerFor(HELEMENT)
{
    return this;
}

void Behavior::Attach(HtmlNotifyAttachBehavior& request)
{
    Behavior* behavior = Find(request.behaviorName);
    if (behavior == nullptr)
        return;
    EventHandler* handler = behavior->HandlerFor(request.element);
    if (handler == nullptr)
        return;
    request.elementProc = EventHandler::ElementProc;
    request.elementTag = handler;
    request.elementEvents = behavior->Groups();
}
