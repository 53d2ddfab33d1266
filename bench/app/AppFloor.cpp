// The floor AppBench measures Gatewarden.exe against: the least a program can do to look the same
// from outside. One window with the main window's caption, a child of the view's class that paints
// a few lines with GDI, hidden by the close-to-tray command and ended by the turn-off command with
// that command's code, as the real program ends.
#include "views/Commands.h"

#include <windows.h>

namespace {

constexpr const wchar_t* kCaption = L"Gatewarden v2.2";
constexpr const wchar_t* kViewClass = L"GatewardenHtmlHost";
constexpr const wchar_t* kFrameClass = L"GatewardenFloorFrame";
constexpr const wchar_t* kLines[] = {L"Direct connection", L"Office proxy", L"Home proxy",
                                     L"Gatewarden Started"};

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT box;
    GetClientRect(window, &box);
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    int y = 8;
    for (const wchar_t* line : kLines) {
        TextOutW(dc, 8, y, line, lstrlenW(line));
        y += 20;
    }
    EndPaint(window, &paint);
    return 0;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (HWND view = FindWindowExW(window, nullptr, kViewClass, nullptr))
            MoveWindow(view, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == Command::CloseToTray) {
            ShowWindow(window, SW_HIDE);
        } else if (LOWORD(wParam) == Command::TurnOff) {
            DestroyWindow(window);
            PostQuitMessage(static_cast<int>(Command::TurnOff));
        }
        return 0;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    WNDCLASSW frame{};
    frame.lpfnWndProc = FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.lpszClassName = kFrameClass;
    WNDCLASSW view = frame;
    view.lpfnWndProc = ViewProc;
    view.lpszClassName = kViewClass;
    RegisterClassW(&frame);
    RegisterClassW(&view);
    HWND window = CreateWindowExW(0, kFrameClass, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                                  480, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 0;
    RECT box;
    GetClientRect(window, &box);
    CreateWindowExW(0, kViewClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, box.right, box.bottom, window, nullptr,
                    instance, nullptr);
    ShowWindow(window, showCommand);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
