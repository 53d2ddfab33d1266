#pragma once
#include "base/UniqueHandle.h"

#include <windows.h>

#include <vector>

namespace Engine {

class Element;
class View;

// Windows of the host's own that stand in elements of the page (an iframe, an element whose type
// begins with "sys-"): the host is asked once per element, when it first gets a box; a window it
// gives lies over the element's content box after every layout and scroll, is hidden while the
// element shows nothing and is destroyed when the element leaves the page.
class NativeWindows {
public:
    explicit NativeWindows(View& view) : m_view(view) {}
    ~NativeWindows() = default;
    NativeWindows(const NativeWindows&) = delete;
    NativeWindows& operator=(const NativeWindows&) = delete;

    // Asks the host about the elements that got their first box; true when a window came, so
    // that the page lays out again around it.
    [[nodiscard]] bool AskHost();
    void Place();
    void ElementLeaving(Element& element);
    // A new page: the old one's windows go.
    void Clear() { m_entries.clear(); }

private:
    // A window that died with its parent is not destroyed again.
    struct ChildWindowTraits {
        using Type = HWND;
        static Type Empty() { return nullptr; }
        static bool Holds(Type window) { return window != nullptr; }
        static void Close(Type window)
        {
            if (IsWindow(window))
                DestroyWindow(window);
        }
    };
    using ChildWindow = UniqueHandle<ChildWindowTraits>;

    struct Entry {
        Element* Owner;  // in the page while its entry lives: leaving ends the entry
        ChildWindow Window;
        RECT Last{0, 0, 0, 0};
        RECT Clip{0, 0, 0, 0};  // the part shown, relative to the window; all zero: all of it
        bool HiddenHere = false;
    };

    View& m_view;
    std::vector<Entry> m_entries;
};

} // namespace Engine
