// Shows a page in a host of the program's own, with every behavior and the control factory, for
// the gallery's screenshot (tools/gallery-screenshot.sh):
//   GalleryViewer.exe <page file> <width>x<height>
// The size is the client area; closing the window ends the program.
#include "ui/HtmlHost.h"

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

class GalleryHost : public HtmlHost {
public:
    GalleryHost() : HtmlHost(nullptr) {}

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override
    {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return HtmlHost::OnMessage(message, wParam, lParam, handled);
    }
};

} // namespace

int main()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    int width = 0;
    int height = 0;
    if (arguments == nullptr || count < 3 || std::swscanf(arguments[2], L"%dx%d", &width, &height) != 2) {
        std::fputs("usage: GalleryViewer.exe <page file> <width>x<height>\n", stderr);
        return 2;
    }
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    GalleryHost host;
    if (host.Create(nullptr, RECT{0, 0, frame.right - frame.left, frame.bottom - frame.top}, style) == nullptr ||
        !host.LoadFile(arguments[1])) {
        std::fputs("the page could not be shown\n", stderr);
        return 1;
    }
    SetWindowTextW(host.Window(), L"Gallery");
    LocalFree(arguments);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
