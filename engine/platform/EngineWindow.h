#pragma once
#include <windows.h>

namespace Engine {

// The window class of engine windows. For now it keeps a view from creation to destruction;
// drawing and input arrive with layout.
class EngineWindow {
public:
    [[nodiscard]] static const wchar_t* ClassName();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace Engine
