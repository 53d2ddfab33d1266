// Boundary functions: boxes, visibility, minimal sizes and scrolling.
#include "engine/HTMLayout.h"

#include "engine/api/Handles.h"
#include "engine/css/StyleResolver.h"
#include "engine/platform/EventDispatcher.h"

#include <algorithm>

using namespace Engine;

namespace {

// A live element in a shown page, with its styles and boxes brought up to date.
View* LaidOutView(Element& element)
{
    View* view = View::ForDocument(element.OwnerDocument());
    if (view != nullptr)
        view->UpdateNow();
    return view;
}

Box* ScrollerOf(Element& element)
{
    Box* box = element.LayoutBox();
    return box != nullptr && box->IsScroller() ? box : nullptr;
}

Rect Inset(const Rect& rect, int top, int right, int bottom, int left)
{
    return {rect.X + left, rect.Y + top, std::max(0, rect.Width - left - right), std::max(0, rect.Height - top - bottom)};
}

// What a scroller shows of its content: its padding box less its scroll bars.
Rect ViewOf(const Box& box)
{
    const UsedValues& u = box.Used();
    return Inset(u.PageRect(), u.Border.Top, u.Border.Right + box.BarV(), u.Border.Bottom + box.BarH(), u.Border.Left);
}

void ScrollAndPaint(View& view, Box& box, int x, int y)
{
    view.Renderer().ScrollTo(box, x, y);
}

} // namespace

UINT WINAPI HTMLayoutGetMinWidth(HWND hwnd)
{
    View* view = View::ForWindow(hwnd);
    if (view == nullptr)
        return 0;
    view->UpdateNow();
    return static_cast<UINT>(std::max(0, view->Renderer().Layout().MinWidth()));
}

UINT WINAPI HTMLayoutGetMinHeight(HWND hwnd, UINT width)
{
    View* view = View::ForWindow(hwnd);
    if (view == nullptr)
        return 0;
    view->UpdateNow();
    int height = view->Renderer().Layout().MinHeight(static_cast<int>(std::min<UINT>(width, 1u << 20)));
    view->UpdateNow();
    return static_cast<UINT>(std::max(0, height));
}

HtmlDomResult WINAPI HTMLayoutGetElementLocation(HELEMENT he, RECT* location, UINT areas)
{
    if (location != nullptr)
        *location = RECT{0, 0, 0, 0};
    return ReadElement(he, location, [areas](Element& element) -> RECT {
        View* view = LaidOutView(element);
        Rect rect;
        if (view == nullptr || !view->Renderer().Layout().PageRectOf(element, rect))
            return RECT{0, 0, 0, 0};
        const Box& box = *element.LayoutBox();
        const UsedValues& u = box.Used();
        switch (areas & 0xF0) {
        case HL_CONTENT_BOX:
            rect = Inset(rect, u.Border.Top + u.Padding.Top, u.Border.Right + u.Padding.Right + box.BarV(),
                         u.Border.Bottom + u.Padding.Bottom + box.BarH(), u.Border.Left + u.Padding.Left);
            break;
        case HL_PADDING_BOX: rect = Inset(rect, u.Border.Top, u.Border.Right, u.Border.Bottom, u.Border.Left); break;
        case HL_MARGIN_BOX: rect = Inset(rect, -u.Margin.Top, -u.Margin.Right, -u.Margin.Bottom, -u.Margin.Left); break;
        case HL_SCROLLABLE_AREA:
            // What shows of the element: a scroller's view, else its border box, within the views
            // of the scrollers around it.
            if (box.IsScroller())
                rect = ViewOf(box);
            for (Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
                if (const Box* outer = ScrollerOf(*at))
                    rect = rect.Intersect(ViewOf(*outer));
            }
            break;
        default: break;
        }
        Point origin{0, 0};
        switch (areas & 0x0F) {
        case HL_ROOT_RELATIVE:
            if (const Box* root = view->Renderer().Layout().Root())
                origin = {root->Used().PageX, root->Used().PageY};
            break;
        case HL_SELF_RELATIVE: {
            Rect own;
            if (view->Renderer().Layout().PageRectOf(element, own))
                origin = {own.X, own.Y};
            break;
        }
        case HL_CONTAINER_RELATIVE:
            for (Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
                Rect container;
                if (view->Renderer().Layout().PageRectOf(*at, container)) {
                    origin = {container.X, container.Y};
                    break;
                }
            }
            break;
        default: break;  // the view: the window's client area
        }
        return RECT{rect.X - origin.X, rect.Y - origin.Y, rect.Right() - origin.X, rect.Bottom() - origin.Y};
    });
}

HtmlDomResult WINAPI HTMLayoutIsElementVisible(HELEMENT he, BOOL* visible)
{
    return ReadElement(he, visible, [](Element& element) -> BOOL {
        if (element.OwnerDocument() == nullptr)
            return FALSE;
        if (LaidOutView(element) != nullptr) {
            const Box* box = element.LayoutBox();
            return box != nullptr && box->S().Inherited.Visible == Visibility::Visible ? TRUE : FALSE;
        }
        // A page in no window has no boxes: its styles tell.
        UpdateStyleOf(element);
        for (Element* at = &element; at != nullptr; at = at->Parent()) {
            if (at->Computed() && at->Computed()->Box.Show == Display::None)
                return FALSE;
        }
        return element.Computed() && element.Computed()->Inherited.Visible != Visibility::Visible ? FALSE : TRUE;
    });
}

// Brings the element into view in every scroll container around it, innermost first.
HtmlDomResult WINAPI HTMLayoutScrollToView(HELEMENT he, UINT flags)
{
    return WithView(he, [flags](Element& element, View& view) {
        view.UpdateNow();
        LayoutTree& layout = view.Renderer().Layout();
        for (Element* at = element.Parent(); at != nullptr; at = at->Parent()) {
            Box* scroller = ScrollerOf(*at);
            Rect target;
            if (scroller == nullptr || !layout.PageRectOf(element, target))
                continue;
            int top = scroller->Used().PageY + scroller->Used().Border.Top + scroller->Used().Padding.Top;
            int height = scroller->ContentHeightInner();
            // What sticks to the view's edges covers them: the element comes into view beside it.
            int coverTop = 0, coverBottom = 0;
            if (const Box* box = element.LayoutBox())
                layout.StickyCover(*scroller, *box, coverTop, coverBottom);
            int viewTop = scroller->Used().PageY + scroller->Used().Border.Top;
            int viewBottom = viewTop + ViewOf(*scroller).Height;
            int coveredTop = std::max(top, viewTop + coverTop);
            height = std::max(0, std::min(top + height, viewBottom - coverBottom) - coveredTop);
            top = coveredTop;
            int left = scroller->Used().PageX + scroller->Used().Border.Left + scroller->Used().Padding.Left;
            int width = scroller->ContentWidthInner();
            int y = scroller->ScrollOffset().Y;
            int x = scroller->ScrollOffset().X;
            bool toTop = (flags & 1) != 0;
            if (toTop || target.Y < top || target.Height > height)
                y += target.Y - top;
            else if (target.Bottom() > top + height)
                y += target.Bottom() - (top + height);
            if (target.X < left)
                x += target.X - left;
            else if (target.Right() > left + width && target.Width <= width)
                x += target.Right() - (left + width);
            ScrollAndPaint(view, *scroller, x, y);
        }
    });
}

HtmlDomResult WINAPI HTMLayoutGetScrollInfo(HELEMENT he, POINT* position, RECT* viewRect, SIZE* content)
{
    if (position != nullptr)
        *position = POINT{0, 0};
    if (viewRect != nullptr)
        *viewRect = RECT{0, 0, 0, 0};
    if (content != nullptr)
        *content = SIZE{0, 0};
    return WithView(he, [&](Element& element, View& view) {
        view.UpdateNow();
        Box* box = element.LayoutBox();
        if (box == nullptr)
            return;
        if (position != nullptr)
            *position = POINT{box->ScrollOffset().X, box->ScrollOffset().Y};
        if (viewRect != nullptr)
            *viewRect = RECT{box->Used().ContentX(), box->Used().ContentY(), box->Used().ContentX() + box->ContentWidthInner(),
                             box->Used().ContentY() + box->ContentHeightInner()};
        if (content != nullptr)
            *content = SIZE{box->IsScroller() ? box->Used().ContentWidth : box->ContentWidthInner(),
                            box->IsScroller() ? box->Used().ContentHeight : box->ContentHeightInner()};
    });
}

// Smooth scrolling shows a few steps on the way, each painted before the next.
HtmlDomResult WINAPI HTMLayoutSetScrollPos(HELEMENT he, POINT position, BOOL smooth)
{
    return WithView(he, [&](Element& element, View& view) {
        view.UpdateNow();
        Box* box = ScrollerOf(element);
        if (box == nullptr)
            return;
        if (smooth) {
            constexpr int kSteps = 6;
            int fromX = box->ScrollOffset().X, fromY = box->ScrollOffset().Y;
            for (int step = 1; step < kSteps; ++step) {
                ScrollAndPaint(view, *box, fromX + (position.x - fromX) * step / kSteps,
                               fromY + (position.y - fromY) * step / kSteps);
                UpdateWindow(view.Window());
                Sleep(8);
            }
        }
        ScrollAndPaint(view, *box, position.x, position.y);
    });
}
