#pragma once
#include <string>

namespace Engine {

class Element;

// A "widget" element of type "vscrollbar": a scroll bar that a page places beside what it scrolls
// itself (a list that shows a window of a longer record set). It scrolls nothing on its own: its
// value lives in its attributes, as inputs keep theirs ("value", "min", "max", "page": the first
// shown, the range and how many show at once), its owner sets them, and a press on it asks the
// owner to move by scroll events.
class ScrollBarWidget {
public:
    struct Value {
        int Position = 0;
        int Min = 0;
        int Max = 0;
        int Page = 0;
    };
    enum class Part { None, Back, PageBack, Thumb, PageForward, Forward };
    // Along the bar, from its top edge.
    struct Geometry {
        int Arrow = 0;
        int ThumbAt = 0;
        int ThumbLength = 0;  // 0 when everything shows at once
    };

    [[nodiscard]] static bool Is(const Element& element);
    [[nodiscard]] static Value Get(const Element& element);
    // Kept in range: a page at least 1, the position within min and max less a page.
    static void Set(Element& element, Value value);

    [[nodiscard]] static Geometry Measure(const Value& value, int length, int thickness);
    [[nodiscard]] static Part PartAt(const Value& value, int length, int thickness, int offset);
    // The position that puts the thumb's top at offset along the bar.
    [[nodiscard]] static int PositionAt(const Value& value, int length, int thickness, int offset);
};

} // namespace Engine
