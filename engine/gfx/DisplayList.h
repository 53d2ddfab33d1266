#pragma once
#include "engine/gfx/BorderStyle.h"
#include "engine/gfx/Color.h"
#include "engine/gfx/Font.h"
#include "engine/gfx/Geometry.h"
#include "engine/gfx/Image.h"

#include <string>
#include <vector>

namespace Engine {

class Element;

enum class DisplayItemKind : unsigned char {
    Fill,        // Area in Color1
    Gradient,    // Area from Color1 to Color2, Vertical: top to bottom, else left to right
    Border,      // Area is the border box; Widths/Styles/Colors per side: top, right, bottom, left
    Text,        // Text at (Area.X, Area.Y + ascent), Area.Y the line box top of the run's font
    Image,       // Picture scaled into Area
    PushClip,    // Area intersected with the current clip until the matching PopClip
    PopClip,
    FocusRect,   // a dotted focus rectangle around Area
    ScrollBar,   // Area is the bar; Thumb the thumb; Vertical; HotPart 0 none, 1 arrow back, 2 thumb, 3 arrow on
    ElementDraw, // the element's procedures draw a layer (Layer 0 background, 1 content, 2 foreground) into Area
    CheckMark,   // a checkbox (Vertical false), radio button (Vertical true) or drop-down arrow in Area; HotPart: ControlState bits
};

// States of drawn controls, in a CheckMark's HotPart.
enum ControlState : int {
    kControlChecked = 1, kControlDisabled = 2, kControlPressed = 4, kControlDropArrow = 8, kControlSpinUp = 16,
    kControlSpinDown = 32
};

// One recorded drawing step, in page coordinates of the window (scroll offsets applied).
struct DisplayItem {
    DisplayItemKind Kind = DisplayItemKind::Fill;
    Rect Area;
    Color Color1 = kTransparent;
    Color Color2 = kTransparent;
    bool Vertical = true;
    int Widths[4] = {0, 0, 0, 0};
    BorderStyle Styles[4] = {BorderStyle::None, BorderStyle::None, BorderStyle::None, BorderStyle::None};
    Color Colors[4] = {0, 0, 0, 0};
    FontId Font = 0;
    std::wstring Text;
    ImagePtr Picture;
    Rect Thumb;
    int HotPart = 0;
    int Layer = 0;
    Element* Owner = nullptr;
};

using DisplayList = std::vector<DisplayItem>;

} // namespace Engine
