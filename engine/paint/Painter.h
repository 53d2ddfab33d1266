#pragma once
#include "engine/layout/LayoutTree.h"
#include "engine/gfx/DisplayList.h"

namespace Engine {

// The element whose procedures draw an element-drawn item, as the display list names it, and back.
[[nodiscard]] inline const DrawSource* DrawSourceOf(const Element& element)
{
    return reinterpret_cast<const DrawSource*>(&element);
}
[[nodiscard]] inline Element& ElementOf(const DrawSource& source)
{
    return *const_cast<Element*>(reinterpret_cast<const Element*>(&source));
}

// Records the drawing of a laid-out page as a display list (CSS 2.1, appendix E, simplified:
// each box paints its background, border and content, then its children in order; inline
// backgrounds go under their text). Only what meets the damaged area is recorded.
class Painter {
public:
    Painter(const LayoutTree& tree, ImageLookup images) : m_tree(tree), m_images(std::move(images)) {}

    // The page without its shown popups, which show in windows of their own.
    [[nodiscard]] DisplayList Record(const Rect& damage) const;
    // One shown popup, in page coordinates.
    [[nodiscard]] DisplayList RecordPopup(const Box& popup, const Rect& damage) const;

private:
    void PaintBox(const Box& box, const Rect& damage, DisplayList& out) const;
    void PaintSticky(const Box& top, const Rect& damage, DisplayList& out) const;
    void PaintBackground(const Box& box, const Rect& area, DisplayList& out, const Rect& damage) const;
    void PaintLines(const Box& box, DisplayList& out, const Rect& damage) const;
    void PaintInlineDecorations(const Box& box, DisplayList& out) const;
    void PaintScrollBars(const Box& box, DisplayList& out) const;

    const LayoutTree& m_tree;
    ImageLookup m_images;
    mutable const Box* m_canvasSource = nullptr;
    mutable bool m_popupPass = false;
};

} // namespace Engine
