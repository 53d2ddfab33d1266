#include "engine/paint/Painter.h"

#include "engine/css/CssValue.h"
#include "engine/layout/ControlBox.h"
#include "engine/layout/LayoutContext.h"
#include "engine/dom/Document.h"
#include "engine/dom/Element.h"

#include <algorithm>

namespace Engine {

namespace {

constexpr int kMaxTiles = 4096;

Rect PaddingBox(const Box& box)
{
    const UsedValues& u = box.Used();
    return {u.PageX + u.Border.Left, u.PageY + u.Border.Top, std::max(0, u.Width - u.Border.Horizontal()),
            std::max(0, u.Height - u.Border.Vertical())};
}

bool WantsDraw(const Element* element)
{
    if (element == nullptr)
        return false;
    const auto& handlers = element->Handlers();
    return std::any_of(handlers.begin(), handlers.end(), [](const HandlerEntry& h) { return (h.Groups & kEventDraw) != 0; });
}

BorderItem BorderOf(const Box& box, const Rect& area)
{
    BorderItem item{area, {}};
    const PaintStyle& paint = box.S().Paint;
    for (Side side : kAllSides)
        item.Side[side] = {box.Used().Border[side], paint.BorderStyles[side], paint.BorderColors[side]};
    return item;
}

// Boxes whose painting stays inside their own border box, so that they can be skipped whole
// when they miss the damaged area.
bool Contained(const Box& box)
{
    return box.Kind == BoxKind::Row || box.Kind == BoxKind::Cell || box.Kind == BoxKind::Replaced ||
           box.Kind == BoxKind::RowGroup || (box.Style && box.S().Clips());
}

// A clipping box whose lines all lie inside its padding box has nothing to clip: table cells with
// hidden overflow mostly are such, and each clip costs the canvas a state saved and restored.
bool ContentInside(const Box& box)
{
    if (!box.InlineContent || box.IsScroller())
        return false;
    for (const auto& child : box.Children()) {
        if (child->Kind == BoxKind::Text)
            continue;
        // An inline element without edges paints nothing beside its text.
        bool edges = child->Used().Border != Edges{} || child->Used().Padding != Edges{};
        if (child->Kind != BoxKind::Inline || edges ||
            !std::all_of(child->Children().begin(), child->Children().end(), [](const auto& c) { return c->Kind == BoxKind::Text; }))
            return false;
    }
    const UsedValues& u = box.Used();
    Rect inside{u.Border.Left, u.Border.Top, u.Width - u.Border.Horizontal(), u.Height - u.Border.Vertical()};
    for (const LineBox& line : box.Lines()) {
        Rect area = line.Area.Translated(0, u.ShiftY);
        if (area.X < inside.X || area.Y < inside.Y || area.Right() > inside.Right() || area.Bottom() > inside.Bottom())
            return false;
    }
    return true;
}

} // namespace

DisplayList Painter::Record(const Rect& damage) const
{
    DisplayList list;
    const Box* root = m_tree.Root();
    if (root == nullptr || damage.Empty())
        return list;
    // The root's background covers the whole canvas.
    Rect canvas{0, 0, std::max(m_tree.ViewportWidth(), root->Used().PageX + root->Used().Width),
                std::max(m_tree.ViewportHeight(), root->Used().PageY + root->Used().Height)};
    // Without a background of its own, the root takes the body's (CSS 2.1, 14.2).
    const Box* canvasSource = root;
    const PaintStyle& own = root->S().Paint;
    if (AlphaOf(own.Background) == 0 && own.BackgroundImage.empty()) {
        for (const auto& child : root->Children()) {
            if (child->Owner != nullptr && child->Owner->Tag() == "body") {
                canvasSource = child.get();
                break;
            }
        }
    }
    PaintBackground(*canvasSource, canvas, list, damage);
    m_canvasSource = canvasSource;
    PaintBox(*root, damage, list);
    PaintSticky(*root, damage, list);
    return list;
}

DisplayList Painter::RecordPopup(const Box& popup, const Rect& damage) const
{
    DisplayList list;
    m_canvasSource = nullptr;
    m_popupPass = true;
    PaintBox(popup, damage, list);
    PaintSticky(popup, damage, list);
    m_popupPass = false;
    return list;
}

// Sticky boxes paint over the rest of their layer, as positioned boxes do, inside the clips of
// the boxes around them.
void Painter::PaintSticky(const Box& top, const Rect& damage, DisplayList& out) const
{
    for (const Box* sticky : m_tree.StickyBoxesIn(top)) {
        Rect clip = sticky->Used().PageRect();
        bool clipped = false;
        for (const Box* at = sticky->Parent; at != nullptr; at = at->Parent) {
            if (at->S().Clips() && at->Kind != BoxKind::Inline) {
                // A scroller's bars stay over what scrolls.
                Rect view = PaddingBox(*at);
                if (at->IsScroller())
                    view = {view.X, view.Y, std::max(0, view.Width - at->BarV()), std::max(0, view.Height - at->BarH())};
                clip = clip.Intersect(view);
                clipped = true;
            }
            if (at == &top)
                break;
        }
        if (!clip.Intersects(damage))
            continue;
        if (clipped)
            out.push_back(PushClipItem{clip});
        PaintBox(*sticky, damage, out);
        if (clipped)
            out.push_back(PopClipItem{clip});
    }
}

void Painter::PaintBackground(const Box& box, const Rect& area, DisplayList& out, const Rect& damage) const
{
    const PaintStyle& paint = box.S().Paint;
    if (AlphaOf(paint.Background) != 0 || AlphaOf(paint.GradientEnd) != 0) {
        if (paint.GradientEnd != kTransparent)
            out.push_back(GradientItem{area, paint.Background, paint.GradientEnd, paint.GradientVertical});
        else
            out.push_back(FillItem{area, paint.Background});
    }
    if (paint.BackgroundImage.empty() || box.Owner == nullptr)
        return;
    ImagePtr picture = m_images(*box.Owner, paint.BackgroundImage);
    if (!picture || !picture->Valid())
        return;
    int dpi = std::max(1, m_tree.Dpi());
    int tileW = std::max(1, picture->Width * dpi / 96);
    int tileH = std::max(1, picture->Height * dpi / 96);
    int startX = area.X + paint.BackgroundX.Resolve(area.Width - tileW);
    int startY = area.Y + paint.BackgroundY.Resolve(area.Height - tileH);
    bool repeatX = paint.Repeat == BackgroundRepeat::Repeat || paint.Repeat == BackgroundRepeat::RepeatX;
    bool repeatY = paint.Repeat == BackgroundRepeat::Repeat || paint.Repeat == BackgroundRepeat::RepeatY;
    Rect visible = area.Intersect(damage);
    if (visible.Empty())
        return;
    int firstX = startX, lastX = startX, firstY = startY, lastY = startY;
    if (repeatX) {
        firstX = startX - ((startX - visible.X + tileW - 1) / tileW) * tileW;
        while (firstX + tileW <= visible.X)
            firstX += tileW;
        lastX = visible.Right();
    }
    if (repeatY) {
        firstY = startY - ((startY - visible.Y + tileH - 1) / tileH) * tileH;
        while (firstY + tileH <= visible.Y)
            firstY += tileH;
        lastY = visible.Bottom();
    }
    out.push_back(PushClipItem{area});
    int tiles = 0;
    for (int y = firstY; y <= lastY && tiles < kMaxTiles; y += tileH) {
        for (int x = firstX; x <= lastX && tiles < kMaxTiles; x += tileW, ++tiles) {
            out.push_back(ImageItem{{x, y, tileW, tileH}, picture});
            if (!repeatX)
                break;
        }
        if (!repeatY)
            break;
    }
    out.push_back(PopClipItem{area});
}

void Painter::PaintInlineDecorations(const Box& container, DisplayList& out) const
{
    std::vector<const Box*> pending;
    for (auto it = container.Children().rbegin(); it != container.Children().rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        const Box* box = pending.back();
        pending.pop_back();
        if (box->Kind != BoxKind::Inline)
            continue;
        if (box->S().Inherited.Visible == Visibility::Visible) {
            for (const Rect& fragment : box->Fragments()) {
                Rect area = fragment.Translated(box->Used().PageX, box->Used().PageY);
                PaintBackground(*box, area, out, area);
                if (box->Used().Border.Horizontal() + box->Used().Border.Vertical() > 0)
                    out.push_back(BorderOf(*box, area));
            }
        }
        for (auto it = box->Children().rbegin(); it != box->Children().rend(); ++it)
            pending.push_back(it->get());
    }
}

void Painter::PaintLines(const Box& box, DisplayList& out, const Rect& damage) const
{
    Point origin = box.ContentOrigin();
    for (const LineBox& line : box.Lines()) {
        Rect lineArea = line.Area.Translated(origin.X, origin.Y);
        if (lineArea.Bottom() < damage.Y || lineArea.Y > damage.Bottom())
            continue;
        for (const LineItem& lineItem : line.Items) {
            const Box& source = *lineItem.Source;
            if (lineItem.Ellipsis && box.S().Inherited.Visible == Visibility::Visible) {
                // The ellipsis takes the container's font and colour.
                out.push_back(TextItem{lineItem.Area.Translated(origin.X, origin.Y), box.S().Inherited.TextColor,
                                       InlineLayout::FontOf(box, m_tree.Measurer()), L"\u2026"});
                continue;
            }
            if (source.Kind != BoxKind::Text || source.S().Inherited.Visible != Visibility::Visible)
                continue;
            TextItem item{lineItem.Area.Translated(origin.X, origin.Y), source.S().Inherited.TextColor, source.RunsFont, {}};
            const std::wstring& text = source.TextData();
            item.Text = text.substr(lineItem.Start, std::min<std::size_t>(lineItem.Length, text.size() - std::min<std::size_t>(lineItem.Start, text.size())));
            for (wchar_t& c : item.Text) {
                if (c == L'\n' || c == L'\r' || c == L'\t' || c == L'\f')
                    c = L' ';
            }
            out.push_back(std::move(item));
        }
    }
}

void Painter::PaintScrollBars(const Box& box, DisplayList& out) const
{
    Rect padding = PaddingBox(box);
    int viewW = box.ContentWidthInner() + box.Used().Padding.Horizontal();
    int viewH = box.ContentHeightInner() + box.Used().Padding.Vertical();
    auto bar = [&](bool vertical) {
        Rect area = vertical ? Rect{padding.Right() - box.BarV(), padding.Y, box.BarV(), padding.Height - box.BarH()}
                             : Rect{padding.X, padding.Bottom() - box.BarH(), padding.Width - box.BarV(), box.BarH()};
        int thickness = vertical ? box.BarV() : box.BarH();
        int length = vertical ? area.Height : area.Width;
        int track = std::max(0, length - 2 * thickness);
        int content = std::max(1, vertical ? box.Used().ContentHeight + box.Used().Padding.Vertical()
                                           : box.Used().ContentWidth + box.Used().Padding.Horizontal());
        int view = vertical ? viewH : viewW;
        int scroll = vertical ? box.ScrollOffset().Y : box.ScrollOffset().X;
        ScrollBarItem item{area, {}, vertical};
        if (content > view && track > 0) {
            int thumb = std::clamp(static_cast<int>(static_cast<long long>(track) * view / content), std::min(track, thickness), track);
            int range = std::max(1, content - view);
            int at = static_cast<int>(static_cast<long long>(track - thumb) * std::clamp(scroll, 0, range) / range);
            item.Thumb = vertical ? Rect{area.X, area.Y + thickness + at, thickness, thumb}
                                  : Rect{area.X + thickness + at, area.Y, thumb, thickness};
        }
        out.push_back(std::move(item));
    };
    if (box.BarV() > 0)
        bar(true);
    if (box.BarH() > 0)
        bar(false);
    if (box.BarV() > 0 && box.BarH() > 0) {
        out.push_back(FillItem{{padding.Right() - box.BarV(), padding.Bottom() - box.BarH(), box.BarV(), box.BarH()}, MakeColor(240, 240, 240)});
    }
}

void Painter::PaintBox(const Box& box, const Rect& damage, DisplayList& out) const
{
    if (box.Kind == BoxKind::Text || box.Kind == BoxKind::LineBreak || box.Rare().Ellipsed)
        return;
    Rect area = box.Used().PageRect();
    if (Contained(box) && !area.Intersects(damage))
        return;
    const ComputedStyle& style = box.S();
    bool visible = style.Inherited.Visible == Visibility::Visible;
    bool draws = WantsDraw(box.Owner);
    // Opacity below 1 paints the box and its content into a layer blended into what lies below.
    bool layer = style.Paint.Opacity < 1;
    if (layer)
        out.push_back(BeginLayerItem{damage, style.Paint.Opacity});
    if (visible && box.Kind != BoxKind::Inline) {
        // A table's captions stand above its border box, inside the element's.
        Rect frame = area;
        if (const TableCache* table = box.TableData()) {
            frame.Y += table->CaptionHeight;
            frame.Height -= table->CaptionHeight;
        }
        if (box.Parent != nullptr && &box != m_canvasSource)
            PaintBackground(box, frame, out, damage);
        if (draws)
            out.push_back(ElementDrawItem{area, DrawSourceOf(*box.Owner), 0});
        if (box.Used().Border.Horizontal() + box.Used().Border.Vertical() > 0)
            out.push_back(BorderOf(box, frame));
        if (box.Kind == BoxKind::Replaced && box.Rare().Picture && box.Rare().Picture->Valid())
            out.push_back(ImageItem{{area.X + box.Used().Border.Left + box.Used().Padding.Left, area.Y + box.Used().Border.Top + box.Used().Padding.Top,
                                     box.Used().ContentWidth, box.Used().ContentHeight},
                                    box.Rare().Picture});
        if (const ControlBox* control = box.Owner != nullptr ? ControlBox::For(*box.Owner) : nullptr)
            control->Paint(box, m_tree.Measurer(), out);
        if (style.Box.Show == Display::ListItem && style.Inherited.ListMarker != ListStyle::None && !box.Lines().empty()) {
            const LineBox& first = box.Lines().front();
            int size = std::max(3, style.Inherited.Font.SizePx / 3);
            out.push_back(FillItem{{area.X + box.Used().ContentX() - size * 3, area.Y + first.Area.Y + (first.Area.Height - size) / 2,
                                    size, size},
                                   style.Inherited.TextColor});
        }
    }
    bool clips = style.Clips() && box.Kind != BoxKind::Inline && !ContentInside(box);
    if (clips)
        out.push_back(PushClipItem{PaddingBox(box)});
    std::size_t contentLayer = out.size();
    if (visible && draws)
        out.push_back(ElementDrawItem{area, DrawSourceOf(*box.Owner), 1});
    if (box.InlineContent) {
        PaintInlineDecorations(box, out);
        const ControlBox* control = box.Owner != nullptr ? ControlBox::For(*box.Owner) : nullptr;
        if (control != nullptr)
            control->PaintUnderText(box, m_tree.Measurer(), out);
        PaintLines(box, out, damage);
        if (control != nullptr)
            control->PaintOverText(box, m_tree.Measurer(), out);
    }
    // Children: atomic boxes inside inline elements are found through them. Rows stand in page
    // order and paint inside themselves: only those that meet the damage are visited.
    auto first = box.Children().begin();
    auto last = box.Children().end();
    if (box.Kind == BoxKind::Table || box.Kind == BoxKind::RowGroup) {
        bool rowsOnly = std::all_of(first, last, [](const auto& child) { return child->Kind == BoxKind::Row; });
        if (rowsOnly) {
            // By their places in the flow: a stuck row stands elsewhere, and paints later.
            auto top = [](const Box& row) { return row.Used().PageY - row.StickyShift().Y; };
            first = std::partition_point(first, last, [&](const auto& row) { return top(*row) + row->Used().Height <= damage.Y; });
            last = std::partition_point(first, last, [&](const auto& row) { return top(*row) < damage.Bottom(); });
        }
    }
    std::vector<const Box*> pending;
    for (auto it = std::make_reverse_iterator(last); it != std::make_reverse_iterator(first); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        const Box* child = pending.back();
        pending.pop_back();
        if (child->IsSticky())
            continue;  // over the rest of the layer: PaintSticky
        if (child->Kind == BoxKind::Inline) {
            for (auto it = child->Children().rbegin(); it != child->Children().rend(); ++it)
                pending.push_back(it->get());
            continue;
        }
        // Shown popups paint last, over everything.
        if (!(child->Owner != nullptr && (child->Owner->State() & kStatePopup) != 0 && !m_popupPass))
            PaintBox(*child, damage, out);
    }
    if (visible && draws)
        std::get<ElementDrawItem>(out[contentLayer]).Skip = out.size() - contentLayer - 1;
    if (box.IsScroller() && (box.BarV() > 0 || box.BarH() > 0))
        PaintScrollBars(box, out);
    if (clips)
        out.push_back(PopClipItem{PaddingBox(box)});
    if (visible && draws)
        out.push_back(ElementDrawItem{area, DrawSourceOf(*box.Owner), 2});
    if (layer)
        out.push_back(EndLayerItem{damage});
    // The focus rectangle shows where the keyboard moved the focus, as in Windows' dialogs.
    if (box.Owner != nullptr && box.Parent != nullptr && box.Kind != BoxKind::Inline &&
        box.Owner->OwnerDocument() != nullptr && box.Owner->OwnerDocument()->FocusElement() == box.Owner &&
        box.Owner->OwnerDocument()->FocusByKeyboard())
        out.push_back(FocusRectItem{area});
}

} // namespace Engine
