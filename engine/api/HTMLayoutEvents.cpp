// Boundary functions: event handlers, events, capture, timers, popups and scrolling.
#include "engine/HTMLayout.h"

#include "engine/api/Handles.h"
#include "engine/platform/EventDispatcher.h"
#include "engine/platform/ModalDialog.h"
#include "engine/platform/View.h"

using namespace Engine;

HtmlDomResult WINAPI HTMLayoutAttachEventHandlerEx(HELEMENT he, HtmlElementProc proc, LPVOID tag, UINT groups)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (proc == nullptr)
        return HLDOM_INVALID_PARAMETER;
    EventDispatcher::Attach(*element, proc, tag, groups);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutDetachEventHandler(HELEMENT he, HtmlElementProc proc, LPVOID tag)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    return EventDispatcher::Detach(*element, proc, tag) ? HLDOM_OK : HLDOM_INVALID_PARAMETER;
}

HtmlDomResult WINAPI HTMLayoutSendEvent(HELEMENT he, UINT code, HELEMENT source, UINT_PTR reason, BOOL* handled)
{
    Element* element = FromHandle(he);
    if (handled != nullptr)
        *handled = FALSE;
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    bool consumed = EventDispatcher::BehaviorEvent(*element, code, FromHandle(source), reason);
    if (handled != nullptr)
        *handled = consumed ? TRUE : FALSE;
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutPostEvent(HELEMENT he, UINT code, HELEMENT source, UINT_PTR reason)
{
    return WithView(he, [&](Element& element, View& view) { view.Post(element, code, FromHandle(source), reason); });
}

HtmlDomResult WINAPI HTMLayoutCallBehaviorMethod(HELEMENT he, HtmlMethodParams* params)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    if (params == nullptr)
        return HLDOM_INVALID_PARAMETER;
    return EventDispatcher::CallMethod(*element, *params) ? HLDOM_OK : HLDOM_OK_NOT_HANDLED;
}

HtmlDomResult WINAPI HTMLayoutSetCapture(HELEMENT he)
{
    if (he == nullptr) {
        View::ReleaseElementCaptures();
        if (View::ForWindow(GetCapture()) != nullptr)
            ReleaseCapture();
        return HLDOM_OK;
    }
    return WithView(he, [](Element& element, View& view) {
        // The window's capture first: taking it can end an earlier element capture.
        if (GetCapture() != view.Window())
            SetCapture(view.Window());
        view.Page().SetCaptureElement(&element);
    });
}

HtmlDomResult WINAPI HTMLayoutSetTimer(HELEMENT he, UINT milliseconds, UINT_PTR timerId)
{
    return WithView(he, [&](Element& element, View& view) { view.SetElementTimer(element, milliseconds, timerId); });
}

// A shown popup shows in a window of its own beside its anchor (its parent without one).
HtmlDomResult WINAPI HTMLayoutShowPopup(HELEMENT popup, HELEMENT anchor, UINT placement)
{
    Element* element = FromHandle(popup);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    Element* owner = FromHandle(anchor);
    if (View* view = View::ForDocument(element->OwnerDocument())) {
        view->ShowPopup(*element, owner, placement);
        return HLDOM_OK;
    }
    element->ChangeState(kStatePopup, 0);
    if (owner != nullptr)
        owner->ChangeState(kStateOwnsPopup, 0);
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutHidePopup(HELEMENT he)
{
    Element* element = FromHandle(he);
    if (element == nullptr)
        return HLDOM_INVALID_HANDLE;
    const bool shown = (element->State() & kStatePopup) != 0;
    element->ChangeState(0, kStatePopup);
    for (Element* at = element->Parent(); at != nullptr; at = at->Parent())
        at->ChangeState(0, kStateOwnsPopup);
    if (View* view = View::ForDocument(element->OwnerDocument())) {
        view->Renderer().Layout().SetPopupAnchor(*element, nullptr, 0);
        view->HidePopup(*element);
        view->ScheduleUpdate();
        // Popups also close by themselves (Escape, a press outside, the focus leaving): whoever
        // showed one hears of it, after the hiding is done.
        if (shown)
            view->Post(*element, HL_POPUP_DISMISSED, element, 0);
    }
    return HLDOM_OK;
}

HtmlDomResult WINAPI HTMLayoutRequestElementData(HELEMENT he, LPCWSTR url, UINT dataType, HELEMENT initiator)
{
    if (url == nullptr)
        return FromHandle(he) == nullptr ? HLDOM_INVALID_HANDLE : HLDOM_INVALID_PARAMETER;
    return WithView(he, [&](Element& element, View& view) {
        view.Request(element, FromHandle(initiator), HttpRequests::Purpose::ElementContent, dataType, url,
                     HttpRequests::Method::Get, {});
    });
}

HtmlDomResult WINAPI HTMLayoutHttpRequest(HELEMENT he, LPCWSTR url, UINT dataType, UINT requestType, LPCWSTR params)
{
    if (url == nullptr || requestType > HL_HTTP_POST)
        return FromHandle(he) == nullptr ? HLDOM_INVALID_HANDLE : HLDOM_INVALID_PARAMETER;
    return WithView(he, [&](Element& element, View& view) {
        auto method = requestType == HL_HTTP_POST ? HttpRequests::Method::Post : HttpRequests::Method::Get;
        view.Request(element, &element, HttpRequests::Purpose::Request, dataType, url, method,
                     HttpRequests::EncodeParams(params));
    });
}

INT_PTR WINAPI HTMLayoutDialog(HWND parent, POINT position, INT alignment, UINT style, UINT styleEx,
                               HtmlNotifyProc notify, HtmlElementProc events, LPVOID param, LPCBYTE html, UINT length)
{
    ModalDialog dialog({parent, position, alignment, style, styleEx, notify, events, param, html, length});
    return dialog.Run();
}

