#pragma once
#include "engine/gfx/DisplayList.h"
#include "engine/gfx/TextMeasurer.h"
#include "engine/layout/Box.h"

namespace Engine {

class Element;

// A form control the engine draws itself: layout asks it for its size, paint for its drawing,
// so that generic layout and painting know no control by its tag. What the control draws comes
// on top of the box's background and border, in page coordinates.
class ControlBox {
public:
    virtual ~ControlBox() = default;

    // The control an element shows as, or null for any other element.
    [[nodiscard]] static const ControlBox* For(const Element& element);

    // An atomic box of the control's own size (an input without content), which Measure sizes.
    [[nodiscard]] virtual bool Replaced(const Element& element) const;
    // The content size of a replaced control, and the font its text is drawn in.
    virtual void Measure(Box& box, TextMeasurer& measurer, int dpi) const;
    // Over the background and the border.
    virtual void Paint(const Box& box, TextMeasurer& measurer, DisplayList& out) const;
    // For a control whose text is laid out in lines: under the lines and over them.
    virtual void PaintUnderText(const Box& box, TextMeasurer& measurer, DisplayList& out) const;
    virtual void PaintOverText(const Box& box, TextMeasurer& measurer, DisplayList& out) const;
};

} // namespace Engine
