#pragma once
#include <string>

namespace Engine {

// A font as styles ask for it. Family is the CSS list as written ("Verdana, Tahoma, sans-serif");
// the measurer picks the first face the system has and ends at the system's dialog font.
struct FontSpec {
    std::wstring Family;
    int SizePx = 13;
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    bool operator==(const FontSpec&) const = default;
};

// Fonts are interned by the measurer; ids are small indexes, stable for its lifetime.
using FontId = int;

struct FontMetrics {
    int Ascent = 0;
    int Descent = 0;
    int Height = 0;        // ascent + descent
    int LineHeight = 0;    // "normal" line height: height + external leading
    int XHeight = 0;       // for ex units
    int AverageWidth = 0;  // for inputs sized in characters
};

} // namespace Engine
