#pragma once
#include <windows.h>

namespace Engine {

// The window class of engine windows. For now it keeps a view from creation to destruction;
// drawing and input arrive with layout.
class EngineWindow {
public:
    [[nodiscard]] static const wchar_t* ClassName();
    // Registers a window class of the engine's module; answers its name.
    static const wchar_t* Register(const wchar_t* name, WNDPROC procedure, UINT style, HCURSOR cursor);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace Engine
