#pragma once
#include "engine/gfx/Canvas.h"

#include <windows.h>

#include <functional>

namespace Engine {

class Element;
class FontCache;

// Plays a display list into a device context (the window's back buffer) with GDI. Only items that
// meet the damaged rectangle are drawn, and nothing outside it; the context's state is left as
// found, and every GDI object made for a play is freed by its end.
class GdiCanvas final : public Canvas {
public:
    // Draws a layer of an element for its procedures; true when it drew.
    using ElementPainter = std::function<bool(Element& element, int layer, HDC dc, const RECT& area)>;

    GdiCanvas(HDC dc, FontCache& fonts, ElementPainter painter = {});
    void Play(const DisplayList& list, const Rect& damage) override;

private:
    HDC m_dc;
    FontCache& m_fonts;
    ElementPainter m_painter;
};

} // namespace Engine
