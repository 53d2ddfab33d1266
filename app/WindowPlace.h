#pragma once
#include <windows.h>

#include <optional>
#include <vector>

// Whether a window rectangle stored in an earlier run may be used now, and where. A rectangle
// smaller than the window can be, larger than all the screens together, or made of values no
// screen has (inverted, empty, far out) is not used; one that lies mostly off the screens, or
// whose caption bar is out of reach, comes whole onto the work area of the monitor nearest to it,
// as Windows programs bring back a window whose monitor went away.
class WindowPlace {
public:
    struct Monitor {
        RECT Area;
        RECT Work;
    };

    // The stored left, top, right and bottom as read back, unchecked.
    [[nodiscard]] static std::optional<RECT> Usable(const LONG stored[4], SIZE minimum,
                                                    const std::vector<Monitor>& monitors);

    // The monitors of this desktop, the primary one when none can be listed.
    [[nodiscard]] static std::vector<Monitor> Monitors();
    // The smallest size the window accepts, as it answers WM_GETMINMAXINFO, and never less than
    // its frame around a client area.
    [[nodiscard]] static SIZE MinimumSize(HWND window);
};
