#pragma once
#include "engine/gfx/BorderStyle.h"
#include "engine/gfx/Color.h"
#include "engine/gfx/Font.h"
#include "engine/gfx/Geometry.h"
#include "engine/gfx/Image.h"

#include <string>
#include <variant>
#include <vector>

namespace Engine {

// Display items, in page coordinates of the window (scroll offsets applied). Every item has the
// area it paints, so that a canvas can skip what misses the damage.

struct FillItem {
    Rect Area;
    Color Paint = kTransparent;
};

// From one colour to the other across the area: top to bottom, or left to right.
struct GradientItem {
    Rect Area;
    Color From = kTransparent;
    Color To = kTransparent;
    bool Vertical = true;
};

struct BorderSide {
    int Width = 0;
    BorderStyle Style = BorderStyle::None;
    Color Shade = kTransparent;
};

// Area is the border box.
struct BorderItem {
    Rect Area;
    Sides<BorderSide> Side;
};

// Text at (Area.X, Area.Y + ascent): Area.Y is the top of a line box of the run's font. A run of
// no size is measured by the canvas.
struct TextItem {
    Rect Area;
    Color Paint = kTransparent;
    FontId Font = 0;
    std::wstring Text;
};

// A picture scaled into the area.
struct ImageItem {
    Rect Area;
    ImagePtr Picture;
};

// The area meets the current clip until the matching PopClipItem, which names the same area.
struct PushClipItem {
    Rect Area;
};

struct PopClipItem {
    Rect Area;
};

// What follows until the matching EndLayerItem paints into a layer of the area, then blended into
// what lies below at the opacity given.
struct BeginLayerItem {
    Rect Area;
    float Opacity = 1;
};

struct EndLayerItem {
    Rect Area;
};

// A dotted focus rectangle around the area.
struct FocusRectItem {
    Rect Area;
};

// Area is the whole bar; Thumb is empty when there is nothing to scroll.
struct ScrollBarItem {
    Rect Area;
    Rect Thumb;
    bool Vertical = true;
};

// Whose drawing procedures an element-drawn item calls: an element, which only the layer that
// plays the list turns back into one (this layer knows no elements).
struct DrawSource;

// The element's own procedures draw a layer (0 background, 1 content, 2 foreground) into the area.
// The content layer comes before the element's content, which is the Skip items that follow it: a
// procedure that draws the content itself (answers true) leaves them out.
struct ElementDrawItem {
    Rect Area;
    const DrawSource* Source = nullptr;
    int Layer = 0;
    std::size_t Skip = 0;
};

// The parts of drawn controls, as the system draws them.
enum class ControlPart : unsigned char { CheckBox, RadioButton, DropArrow, SpinUp, SpinDown };
enum ControlState : unsigned { kControlChecked = 1, kControlDisabled = 2, kControlPressed = 4 };

struct ControlItem {
    Rect Area;
    ControlPart Part = ControlPart::CheckBox;
    unsigned State = 0;  // ControlState bits
};

using DisplayItem = std::variant<FillItem, GradientItem, BorderItem, TextItem, ImageItem, PushClipItem, PopClipItem,
                                 FocusRectItem, ScrollBarItem, ElementDrawItem, ControlItem, BeginLayerItem, EndLayerItem>;

using DisplayList = std::vector<DisplayItem>;

[[nodiscard]] inline const Rect& AreaOf(const DisplayItem& item)
{
    return std::visit([](const auto& it) -> const Rect& { return it.Area; }, item);
}

} // namespace Engine
