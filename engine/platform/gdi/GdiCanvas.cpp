#include "engine/platform/gdi/GdiCanvas.h"

#include "engine/paint/Painter.h"
#include "engine/platform/gdi/FontCache.h"
#include "engine/platform/gdi/ImageDecoder.h"
#include "engine/platform/gdi/VisualStyle.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

namespace Engine {

namespace {

RECT ToRect(const Rect& r) { return {r.X, r.Y, r.Right(), r.Bottom()}; }
COLORREF ToColorRef(Color c) { return RGB(RedOf(c), GreenOf(c), BlueOf(c)); }

Color Scaled(Color c, unsigned (*channel)(unsigned))
{
    return MakeColor(channel(RedOf(c)), channel(GreenOf(c)), channel(BlueOf(c)), AlphaOf(c));
}
// The shades of a 3-D edge, as Windows draws a button face's shadow and highlight.
Color Darker(Color c) { return Scaled(c, [](unsigned v) { return v * 2 / 3; }); }
Color Lighter(Color c) { return Scaled(c, [](unsigned v) { return v + (255 - v) / 2; }); }

std::uint32_t Premultiplied(Color c)
{
    unsigned a = AlphaOf(c);
    auto p = [a](unsigned v) { return (v * a + 127) / 255; };
    return (a << 24) | (p(RedOf(c)) << 16) | (p(GreenOf(c)) << 8) | p(BlueOf(c));
}

// Part of a side's width, counted from the outer edge, drawn in one colour.
struct Band {
    int From = 0;
    int To = 0;
    Color Shade = kTransparent;
};

struct SidePaint {
    Band Bands[2];
    int BandCount = 0;
    int Period = 0; // dots and dashes along the side; 0 for a continuous line
    int On = 0;
};

SidePaint PaintOfSide(BorderStyle style, int width, Color color, Side side)
{
    SidePaint paint;
    if (style == BorderStyle::None || width <= 0 || AlphaOf(color) == 0)
        return paint;
    bool upperLeft = side == Side::Top || side == Side::Left;
    auto one = [&](Color shade) { paint.Bands[paint.BandCount++] = {0, width, shade}; };
    auto two = [&](int outer, Color outerShade, Color innerShade) {
        paint.Bands[paint.BandCount++] = {0, outer, outerShade};
        paint.Bands[paint.BandCount++] = {width - outer, width, innerShade};
    };
    switch (style) {
    case BorderStyle::Dotted:
        paint.Period = 2 * width;
        paint.On = width;
        one(color);
        break;
    case BorderStyle::Dashed:
        paint.Period = 6 * width;
        paint.On = 3 * width;
        one(color);
        break;
    case BorderStyle::Double:
        if (width >= 3)
            two((width + 1) / 3, color, color);
        else
            one(color);
        break;
    case BorderStyle::Inset: one(upperLeft ? Darker(color) : Lighter(color)); break;
    case BorderStyle::Outset: one(upperLeft ? Lighter(color) : Darker(color)); break;
    case BorderStyle::Groove:
    case BorderStyle::Ridge: {
        bool darkOutside = upperLeft == (style == BorderStyle::Groove);
        if (width >= 2)
            two(width / 2, darkOutside ? Darker(color) : Lighter(color), darkOutside ? Lighter(color) : Darker(color));
        else
            one(darkOutside ? Darker(color) : Lighter(color));
        break;
    }
    default: one(color); break;
    }
    return paint;
}

// A layer of a box painted with opacity: a memory bitmap of the area that starts as a copy of
// what lies below, so that blending it back at the box's alpha changes only what it painted.
class LayerSurface {
public:
    LayerSurface(HDC below, const Rect& area, float opacity)
        : m_below(below), m_area(area), m_alpha(static_cast<BYTE>(std::clamp(opacity, 0.0f, 1.0f) * 255.0f + 0.5f))
    {
        if (area.Empty())
            return;
        m_dc = CreateCompatibleDC(below);
        m_bitmap = CreateCompatibleBitmap(below, area.Width, area.Height);
        if (m_dc == nullptr || m_bitmap == nullptr)
            return;
        m_old = SelectObject(m_dc, m_bitmap);
        BitBlt(m_dc, 0, 0, area.Width, area.Height, below, area.X, area.Y, SRCCOPY);
        SetViewportOrgEx(m_dc, -area.X, -area.Y, nullptr);
        IntersectClipRect(m_dc, area.X, area.Y, area.Right(), area.Bottom());
        SetBkMode(m_dc, TRANSPARENT);
        SetTextAlign(m_dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    }
    ~LayerSurface()
    {
        if (m_old != nullptr)
            SelectObject(m_dc, m_old);
        if (m_bitmap != nullptr)
            DeleteObject(m_bitmap);
        if (m_dc != nullptr)
            DeleteDC(m_dc);
    }
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;

    // Where the layer's items draw: its own bitmap, or straight below when it could not be made.
    [[nodiscard]] HDC Target() const { return m_old != nullptr ? m_dc : m_below; }
    [[nodiscard]] HDC Below() const { return m_below; }
    void Blend() const
    {
        if (m_old == nullptr)
            return;
        SetViewportOrgEx(m_dc, 0, 0, nullptr);
        BLENDFUNCTION blend{AC_SRC_OVER, 0, m_alpha, 0};
        GdiAlphaBlend(m_below, m_area.X, m_area.Y, m_area.Width, m_area.Height, m_dc, 0, 0, m_area.Width, m_area.Height, blend);
    }

private:
    HDC m_below;
    Rect m_area;
    BYTE m_alpha;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

// The state of one play: the clip stack, and a memory context and a brush made when first needed.
class Player {
public:
    Player(HDC dc, FontCache& fonts, const GdiCanvas::ElementPainter& painter)
        : m_dc(dc), m_fonts(fonts), m_painter(painter)
    {
    }
    ~Player()
    {
        if (m_checker)
            DeleteObject(m_checker);
        if (m_memory) {
            SelectObject(m_memory, m_memoryBitmap);
            DeleteDC(m_memory);
        }
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void Play(const DisplayList& list, const Rect& damage)
    {
        int saved = SaveDC(m_dc);
        IntersectClipRect(m_dc, damage.X, damage.Y, damage.Right(), damage.Bottom());
        SetBkMode(m_dc, TRANSPARENT);
        SetTextAlign(m_dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
        std::vector<Rect> clips{damage};
        for (std::size_t at = 0; at < list.size(); ++at) {
            const DisplayItem& item = list[at];
            if (const auto* clip = std::get_if<PushClipItem>(&item)) {
                clips.push_back(clips.back().Intersect(clip->Area));
                SaveDC(m_dc);
                IntersectClipRect(m_dc, clip->Area.X, clip->Area.Y, clip->Area.Right(), clip->Area.Bottom());
            } else if (std::holds_alternative<PopClipItem>(item)) {
                if (clips.size() > 1) {
                    clips.pop_back();
                    RestoreDC(m_dc, -1);
                }
            } else if (const auto* layer = std::get_if<BeginLayerItem>(&item)) {
                m_layers.push_back(std::make_unique<LayerSurface>(m_dc, layer->Area.Intersect(clips.back()), layer->Opacity));
                m_dc = m_layers.back()->Target();
            } else if (std::holds_alternative<EndLayerItem>(item)) {
                if (!m_layers.empty()) {
                    m_layers.back()->Blend();
                    m_dc = m_layers.back()->Below();
                    m_layers.pop_back();
                }
            } else if (const auto* drawn = std::get_if<ElementDrawItem>(&item)) {
                // Content that the element's procedure drew itself is not drawn again.
                if (drawn->Area.Intersects(clips.back()) && Draw(*drawn))
                    at += drawn->Skip;
            } else if (Bounds(item).Intersects(clips.back())) {
                std::visit([this](const auto& it) { Draw(it); }, item);
            }
        }
        while (!m_layers.empty()) {
            m_dc = m_layers.back()->Below();
            m_layers.pop_back();
        }
        RestoreDC(m_dc, saved);
    }

private:
    Rect Bounds(const DisplayItem& item)
    {
        const auto* text = std::get_if<TextItem>(&item);
        if (text == nullptr || !text->Area.Empty())
            return AreaOf(item);
        return {text->Area.X, text->Area.Y, m_fonts.Width(text->Font, text->Text), m_fonts.Metrics(text->Font).Height};
    }

    void Draw(const FillItem& item) { Gradient(item.Area, item.Paint, item.Paint, true); }
    void Draw(const GradientItem& item) { Gradient(item.Area, item.From, item.To, item.Vertical); }
    void Draw(const PushClipItem&) {}
    void Draw(const PopClipItem&) {}
    void Draw(const BeginLayerItem&) {}
    void Draw(const EndLayerItem&) {}

    void Draw(const FocusRectItem& item)
    {
        RECT area = ToRect(item.Area);
        SetTextColor(m_dc, RGB(0, 0, 0));
        SetBkColor(m_dc, RGB(255, 255, 255));
        DrawFocusRect(m_dc, &area);
    }

    bool Draw(const ElementDrawItem& item)
    {
        if (!m_painter || item.Source == nullptr)
            return false;
        RECT area = ToRect(item.Area);
        SaveDC(m_dc);
        bool drawn = m_painter(ElementOf(*item.Source), item.Layer, m_dc, area);
        RestoreDC(m_dc, -1);
        return drawn;
    }

    // Checkboxes, radio buttons and the arrows of drop-downs and spin buttons as the system draws them.
    void Draw(const ControlItem& item)
    {
        RECT area = ToRect(item.Area);
        bool disabled = (item.State & kControlDisabled) != 0;
        bool pressed = (item.State & kControlPressed) != 0;
        bool checked = (item.State & kControlChecked) != 0;
        bool radio = item.Part == ControlPart::RadioButton;
        if (!radio && item.Part != ControlPart::CheckBox) {
            UINT arrow = item.Part == ControlPart::SpinUp     ? DFCS_SCROLLUP
                         : item.Part == ControlPart::SpinDown ? DFCS_SCROLLDOWN
                                                              : DFCS_SCROLLCOMBOBOX | DFCS_FLAT;
            DrawFrameControl(m_dc, &area, DFC_SCROLL, arrow | (disabled ? DFCS_INACTIVE : 0) | (pressed ? DFCS_PUSHED : 0));
            return;
        }
        // With a visual style, as the theme draws them; without one, the classic look.
        const int look = disabled ? 4 : pressed ? 3 : 1;
        if (DrawStyledCheck(m_dc, radio, look + (checked ? 4 : 0), area))
            return;
        UINT state = (radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK) | (checked ? DFCS_CHECKED : 0) |
                     (disabled ? DFCS_INACTIVE : 0) | (pressed ? DFCS_PUSHED : 0);
        DrawFrameControl(m_dc, &area, DFC_BUTTON, state);
    }

    void Solid(const RECT& area, Color color)
    {
        SetDCBrushColor(m_dc, ToColorRef(color));
        FillRect(m_dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }

    // Fills and gradients: opaque ones with GDI's own calls, translucent ones blended from a
    // strip of premultiplied pixels along the gradient, stretched across it.
    void Gradient(const Rect& area, Color from, Color to, bool vertical)
    {
        if ((AlphaOf(from) == 0 && AlphaOf(to) == 0) || area.Empty())
            return;
        if (from == to && AlphaOf(from) == 255) {
            Solid(ToRect(area), from);
            return;
        }
        if (AlphaOf(from) == 255 && AlphaOf(to) == 255) {
            auto vertex = [](int x, int y, Color c) {
                return TRIVERTEX{x, y, static_cast<COLOR16>(RedOf(c) << 8), static_cast<COLOR16>(GreenOf(c) << 8),
                                 static_cast<COLOR16>(BlueOf(c) << 8), 0xFF00};
            };
            TRIVERTEX vertices[2] = {vertex(area.X, area.Y, from), vertex(area.Right(), area.Bottom(), to)};
            GRADIENT_RECT rect{0, 1};
            GdiGradientFill(m_dc, vertices, 2, &rect, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
            return;
        }
        int steps = from == to ? 1 : (vertical ? area.Height : area.Width);
        std::uint32_t* bits = nullptr;
        HBITMAP strip = ImageDecoder::NewBitmap(vertical ? 1 : steps, vertical ? steps : 1, bits);
        if (!strip)
            return;
        std::uint32_t first = Premultiplied(from);
        std::uint32_t last = Premultiplied(to);
        for (int i = 0; i < steps; ++i) {
            std::uint32_t pixel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                int a = static_cast<int>((first >> shift) & 0xFF);
                int b = static_cast<int>((last >> shift) & 0xFF);
                int v = steps > 1 ? a + (b - a) * i / (steps - 1) : a;
                pixel |= static_cast<std::uint32_t>(v) << shift;
            }
            bits[i] = pixel;
        }
        Blend(strip, vertical ? 1 : steps, vertical ? steps : 1, area);
        DeleteObject(strip);
    }

    // Draws premultiplied pixels scaled into an area.
    void Blend(HBITMAP bitmap, int width, int height, const Rect& area)
    {
        if (!m_memory) {
            m_memory = CreateCompatibleDC(m_dc);
            m_memoryBitmap = SelectObject(m_memory, bitmap);
        } else {
            SelectObject(m_memory, bitmap);
        }
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(m_dc, area.X, area.Y, area.Width, area.Height, m_memory, 0, 0, width, height, blend);
        SelectObject(m_memory, m_memoryBitmap);
    }

    void Draw(const ImageItem& item)
    {
        if (!item.Picture || item.Area.Empty())
            return;
        if (HBITMAP bitmap = ImageDecoder::Bitmap(*item.Picture))
            Blend(bitmap, item.Picture->Width, item.Picture->Height, item.Area);
    }

    void Draw(const TextItem& item)
    {
        if (AlphaOf(item.Paint) == 0 || item.Text.empty())
            return;
        SelectObject(m_dc, m_fonts.Handle(item.Font));
        SetTextColor(m_dc, ToColorRef(item.Paint));
        UINT length = static_cast<UINT>(std::min<std::size_t>(item.Text.size(), INT_MAX));
        ExtTextOutW(m_dc, item.Area.X, item.Area.Y + m_fonts.Metrics(item.Font).Ascent, 0, nullptr, item.Text.data(),
                    length, nullptr);
    }

    // Fills a side's bands over one stretch: `from` to `to` along the side (dots and dashes counted
    // from `origin`), and across it `fixedFrom` to `fixedTo`, which hold the depths (distances from
    // the outer edge) `depthFrom` to `depthTo`, growing with the coordinate or against it.
    void SideRun(const SidePaint& paint, bool horizontal, int fixedFrom, int fixedTo, int from, int to, int origin,
                 int depthFrom, int depthTo, bool depthGrowsWithFixed)
    {
        for (int b = 0; b < paint.BandCount; ++b) {
            const Band& band = paint.Bands[b];
            int d0 = std::max(depthFrom, band.From);
            int d1 = std::min(depthTo, band.To);
            if (d0 >= d1)
                continue;
            // Depths map onto the fixed coordinate, outward or inward.
            int f0 = depthGrowsWithFixed ? fixedFrom + (d0 - depthFrom) : fixedTo - (d1 - depthFrom);
            int f1 = depthGrowsWithFixed ? fixedFrom + (d1 - depthFrom) : fixedTo - (d0 - depthFrom);
            for (int start = from; start < to;) {
                int end = to;
                if (paint.Period > 0) {
                    int phase = ((start - origin) % paint.Period + paint.Period) % paint.Period;
                    if (phase >= paint.On) {
                        start += paint.Period - phase;
                        continue;
                    }
                    end = std::min(to, start + paint.On - phase);
                }
                RECT run = horizontal ? RECT{start, f0, end, f1} : RECT{f0, start, f1, end};
                Solid(run, band.Shade);
                start = end;
            }
        }
    }

    // Sides meet at mitred corners: the diagonal from the outer to the inner corner splits the
    // corner between them, row by row, as browsers draw them.
    void Draw(const BorderItem& item)
    {
        const Rect& box = item.Area;
        Sides<SidePaint> paints;
        Edges widths;
        for (Side side : kAllSides) {
            const BorderSide& given = item.Side[side];
            widths[side] = given.Style == BorderStyle::None ? 0 : std::max(given.Width, 0);
            paints[side] = PaintOfSide(given.Style, widths[side], given.Shade, side);
        }
        int top = std::min(widths.Top, box.Height);
        int bottom = std::min(widths.Bottom, box.Height - top);
        int left = std::min(widths.Left, box.Width);
        int right = std::min(widths.Right, box.Width - left);
        int x0 = box.X;
        int x1 = box.Right();
        auto cornerRow = [&](int y, int depth, int width, const SidePaint& paint) {
            int leftPart = left * depth / width;
            int rightPart = right * depth / width;
            SideRun(paints.Left, false, x0, x0 + leftPart, y, y + 1, box.Y, 0, leftPart, true);
            SideRun(paints.Right, false, x1 - rightPart, x1, y, y + 1, box.Y, 0, rightPart, false);
            SideRun(paint, true, y, y + 1, x0 + leftPart, x1 - rightPart, x0, depth, depth + 1, true);
        };
        for (int i = 0; i < top; ++i)
            cornerRow(box.Y + i, i, top, paints.Top);
        for (int i = 0; i < bottom; ++i)
            cornerRow(box.Bottom() - 1 - i, i, bottom, paints.Bottom);
        int middleTop = box.Y + top;
        int middleBottom = box.Bottom() - bottom;
        SideRun(paints.Left, false, x0, x0 + left, middleTop, middleBottom, box.Y, 0, left, true);
        SideRun(paints.Right, false, x1 - right, x1, middleTop, middleBottom, box.Y, 0, right, false);
    }

    void Draw(const ScrollBarItem& item)
    {
        RECT bar = ToRect(item.Area);
        bool vertical = item.Vertical;
        int thickness = vertical ? item.Area.Width : item.Area.Height;
        int length = vertical ? item.Area.Height : item.Area.Width;
        int arrow = std::min(thickness, length / 2);
        RECT back = bar;
        RECT on = bar;
        RECT track = bar;
        if (vertical) {
            back.bottom = track.top = bar.top + arrow;
            on.top = track.bottom = bar.bottom - arrow;
        } else {
            back.right = track.left = bar.left + arrow;
            on.left = track.right = bar.right - arrow;
        }
        // The classic track: a checker of the face and highlight colours.
        if (!m_checker) {
            const WORD rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
            HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
            m_checker = CreatePatternBrush(pattern);
            DeleteObject(pattern);
        }
        SetTextColor(m_dc, GetSysColor(COLOR_BTNFACE));
        SetBkColor(m_dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        FillRect(m_dc, &track, m_checker ? m_checker : GetSysColorBrush(COLOR_SCROLLBAR));
        UINT inactive = item.Thumb.Empty() ? DFCS_INACTIVE : 0;
        DrawFrameControl(m_dc, &back, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive);
        DrawFrameControl(m_dc, &on, DFC_SCROLL, (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive);
        if (!item.Thumb.Empty()) {
            RECT thumb = ToRect(item.Thumb);
            FillRect(m_dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(m_dc, &thumb, EDGE_RAISED, BF_RECT);
        }
    }

    HDC m_dc;
    FontCache& m_fonts;
    const GdiCanvas::ElementPainter& m_painter;
    HDC m_memory = nullptr;
    HGDIOBJ m_memoryBitmap = nullptr;
    HBRUSH m_checker = nullptr;
    std::vector<std::unique_ptr<LayerSurface>> m_layers;
};

} // namespace

GdiCanvas::GdiCanvas(HDC dc, FontCache& fonts, ElementPainter painter)
    : m_dc(dc), m_fonts(fonts), m_painter(std::move(painter))
{
}

void GdiCanvas::Play(const DisplayList& list, const Rect& damage)
{
    if (damage.Empty() || !m_dc)
        return;
    Player player(m_dc, m_fonts, m_painter);
    player.Play(list, damage);
}

} // namespace Engine
