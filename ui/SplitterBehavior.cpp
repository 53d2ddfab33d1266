#include "ui/SplitterBehavior.h"

#include "ui/ElementRef.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

// Pressed: the element itself remembers the drag, as one behavior serves many elements.
constexpr UINT kDragging = HL_STATE_ACTIVE;

void Resize(const ElementRef& splitter, POINT pointer)
{
    const ElementRef parent = splitter.Parent();
    const UINT index = splitter.Index();
    if (!parent || index == 0 || index + 1 >= parent.ChildCount())
        return;
    const ElementRef before = parent.Child(index - 1);
    const ElementRef after = parent.Child(index + 1);
    const wchar_t* flow = parent.StyleAttribute("flow");
    const bool horizontal = flow != nullptr && _wcsicmp(flow, L"horizontal") == 0;
    const char* side = horizontal ? "width" : "height";
    // The neighbour's edge goes where the pointer is: its padding and border stay as they are.
    const RECT outer = before.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
    const RECT inner = before.Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
    const long edges = horizontal ? (outer.right - outer.left) - (inner.right - inner.left)
                                  : (outer.bottom - outer.top) - (inner.bottom - inner.top);
    const long size = std::max(0L, (horizontal ? pointer.x - outer.left : pointer.y - outer.top) - edges);
    const std::wstring dragged = std::to_wstring(size) + L"px";
    HTMLayoutSetStyleAttribute(before.Handle(), side, dragged.c_str());
    HTMLayoutSetStyleAttribute(after.Handle(), side, L"100%");
    parent.Update(Relayout::Yes);
}

} // namespace

bool SplitterBehavior::OnMouse(HELEMENT he, HtmlMouseParams& params)
{
    const ElementRef splitter(he);
    switch (params.cmd) {
    case HL_MOUSE_DOWN:
        if ((params.buttonState & HL_MAIN_MOUSE_BUTTON) == 0)
            return false;
        HTMLayoutSetCapture(he);
        splitter.SetState(kDragging, 0, Repaint::Yes);
        return true;
    case HL_MOUSE_MOVE:
        if ((params.buttonState & HL_MAIN_MOUSE_BUTTON) == 0 || !splitter.TestState(kDragging))
            return false;
        Resize(splitter, params.posDocument);
        return true;
    case HL_MOUSE_UP: {
        // While it holds the capture every release comes here: letting go is always safe.
        const bool dragging = splitter.TestState(kDragging);
        HTMLayoutSetCapture(nullptr);
        splitter.SetState(0, kDragging, Repaint::Yes);
        return dragging;
    }
    default: return false;
    }
}
