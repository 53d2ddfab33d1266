#pragma once
#include <windows.h>

namespace Engine {

// Check boxes and radio buttons as the system's visual style draws them, from uxtheme.dll loaded
// the first time one is drawn: a page with none does not pay for the library at start-up.
// False when no visual style is active (or the library is missing): the caller draws the
// classic look.
[[nodiscard]] bool DrawStyledCheck(HDC dc, bool radio, int look, const RECT& area);

} // namespace Engine
