#pragma once
#include "engine/HTMLayout.h"

// Receives the events of the elements it is attached to. The engine calls ElementProc with the
// handler as its tag; ElementProc hands each group to its operation. Every operation answers
// true when it consumed the event; the defaults do nothing and answer false.
class EventHandler {
public:
    EventHandler() = default;
    EventHandler(const EventHandler&) = delete;
    EventHandler& operator=(const EventHandler&) = delete;
    virtual ~EventHandler() = default;

    static BOOL CALLBACK ElementProc(LPVOID tag, HELEMENT element, UINT group, LPVOID params);

    // Attaches this handler to the element for the given event groups.
    HtmlDomResult AttachTo(HELEMENT element, UINT groups);

protected:
    virtual bool OnAttached(HELEMENT) { return false; }
    virtual bool OnDetached(HELEMENT) { return false; }
    virtual bool OnMouse(HELEMENT, HtmlMouseParams&) { return false; }
    virtual bool OnKey(HELEMENT, HtmlKeyParams&) { return false; }
    virtual bool OnFocus(HELEMENT, HtmlFocusParams&) { return false; }
    virtual bool OnScroll(HELEMENT, HtmlScrollParams&) { return false; }
    virtual bool OnTimer(HELEMENT, HtmlTimerParams&) { return false; }
    virtual bool OnSize(HELEMENT) { return false; }
    virtual bool OnDraw(HELEMENT, HtmlDrawParams&) { return false; }
    virtual bool OnDataArrived(HELEMENT, HtmlDataArrivedParams&) { return false; }
    virtual bool OnEvent(HELEMENT, HtmlBehaviorEventParams&) { return false; }
    virtual bool OnMethodCall(HELEMENT, HtmlMethodParams&) { return false; }
};
