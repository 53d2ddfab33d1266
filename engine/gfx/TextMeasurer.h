#pragma once
#include "engine/gfx/Font.h"

#include <string_view>

namespace Engine {

// What layout knows of text: fonts by id, their metrics and the advance width of a run.
// The product measures with GDI (platform/gdi/FontCache); layout dumps use fixed metrics.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    [[nodiscard]] virtual FontId Intern(const FontSpec& wanted) = 0;
    // What these two hand out stays where it is while the measurer lives: layout holds a line's
    // strut metrics while it interns the fonts of inline elements met on the line.
    [[nodiscard]] virtual const FontSpec& Describe(FontId font) const = 0;
    [[nodiscard]] virtual const FontMetrics& Metrics(FontId font) = 0;
    [[nodiscard]] virtual int Width(FontId font, std::wstring_view text) = 0;
};

} // namespace Engine
