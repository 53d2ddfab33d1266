#include "ui/EventHandler.h"

BOOL CALLBACK EventHandler::ElementProc(LPVOID tag, HELEMENT element, UINT group, LPVOID params)
{
    auto* handler = static_cast<EventHandler*>(tag);
    if (handler == nullptr || (params == nullptr && group != HL_HANDLE_SIZE))
        return FALSE;
    bool consumed = false;
    switch (group) {
    case HL_HANDLE_INITIALIZATION:
        consumed = static_cast<HtmlInitializationParams*>(params)->cmd == HL_BEHAVIOR_ATTACH
                       ? handler->OnAttached(element)
                       : handler->OnDetached(element);
        break;
    case HL_HANDLE_MOUSE: consumed = handler->OnMouse(element, *static_cast<HtmlMouseParams*>(params)); break;
    case HL_HANDLE_KEY: consumed = handler->OnKey(element, *static_cast<HtmlKeyParams*>(params)); break;
    case HL_HANDLE_FOCUS: consumed = handler->OnFocus(element, *static_cast<HtmlFocusParams*>(params)); break;
    case HL_HANDLE_SCROLL: consumed = handler->OnScroll(element, *static_cast<HtmlScrollParams*>(params)); break;
    case HL_HANDLE_TIMER: consumed = handler->OnTimer(element, *static_cast<HtmlTimerParams*>(params)); break;
    case HL_HANDLE_SIZE: consumed = handler->OnSize(element); break;
    case HL_HANDLE_DRAW: consumed = handler->OnDraw(element, *static_cast<HtmlDrawParams*>(params)); break;
    case HL_HANDLE_DATA_ARRIVED:
        consumed = handler->OnDataArrived(element, *static_cast<HtmlDataArrivedParams*>(params));
        break;
    case HL_HANDLE_BEHAVIOR_EVENT:
        consumed = handler->OnEvent(element, *static_cast<HtmlBehaviorEventParams*>(params));
        break;
    case HL_HANDLE_METHOD_CALL:
        consumed = handler->OnMethodCall(element, *static_cast<HtmlMethodParams*>(params));
        break;
    default: break;
    }
    return consumed ? TRUE : FALSE;
}

HtmlDomResult EventHandler::AttachTo(HELEMENT element, UINT groups)
{
    return HTMLayoutAttachEventHandlerEx(element, ElementProc, this, groups);
}
