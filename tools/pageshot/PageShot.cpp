// Shows one page in an engine window inside a captioned frame, for the screenshots in docs/.
//   PageShot.exe <page> <width>x<height> [--media <type>] [--current <selector>]
//                [--scroll <selector> <x> <y>] [--locate <selector>] [--click <selector>]... [--type <text>]...
// --locate prints the screen coordinates of the element's centre once the window shows, for a
// script that moves the mouse there. The size is the client area at 96 DPI; the frame grows with the system's DPI. The page's
// images and style sheets are read from beside it, through the engine's data requests.
#include "engine/HTMLayout.h"

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const wchar_t kFrameClass[] = L"PageShotFrame";

struct Options {
    std::wstring page;
    int width = 640;
    int height = 480;
    std::wstring media = L"screen";
    std::string current;
    std::string scrolled;
    POINT scroll{0, 0};
    std::string located;
    std::vector<std::pair<bool, std::wstring>> actions;  // in order: a click on a selector (true) or text typed
};

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += static_cast<char>(c < 128 ? c : '?');
    return narrow;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

class PageShot {
public:
    explicit PageShot(Options options) : m_options(std::move(options))
    {
        std::size_t slash = m_options.page.find_last_of(L"/\\");
        m_folder = slash == std::wstring::npos ? std::wstring() : m_options.page.substr(0, slash + 1);
    }

    int Run()
    {
        std::string html;
        if (!ReadWholeFile(m_options.page, html)) {
            std::fprintf(stderr, "PageShot: cannot read %s\n", Narrow(m_options.page).c_str());
            return 2;
        }
        WNDCLASSEXW frameClass{};
        frameClass.cbSize = sizeof(frameClass);
        frameClass.lpfnWndProc = FrameProc;
        frameClass.hInstance = GetModuleHandleW(nullptr);
        frameClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        frameClass.lpszClassName = kFrameClass;
        RegisterClassExW(&frameClass);

        HDC screen = GetDC(nullptr);
        m_dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        RECT frame{0, 0, MulDiv(m_options.width, m_dpi, 96), MulDiv(m_options.height, m_dpi, 96)};
        const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        m_frame = CreateWindowExW(0, kFrameClass, L"PageShot", style, 0, 0, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (m_frame == nullptr)
            return 3;
        RECT client{};
        GetClientRect(m_frame, &client);
        m_page = CreateWindowExW(0, HTMLayoutClassNameW(), L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                 client.bottom, m_frame, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (m_page == nullptr)
            return 3;
        HTMLayoutSetCallback(m_page, OnNotify, this);
        HTMLayoutSetMediaType(m_page, m_options.media.c_str());
        if (!HTMLayoutLoadHtmlEx(m_page, reinterpret_cast<LPCBYTE>(html.data()), static_cast<UINT>(html.size()),
                                 m_options.page.c_str())) {
            std::fprintf(stderr, "PageShot: the engine refused %s\n", Narrow(m_options.page).c_str());
            return 4;
        }
        if (!m_options.current.empty())
            ForEach(m_options.current, [](HELEMENT he, const PageShot&) {
                HTMLayoutSetElementState(he, 0x20, 0, TRUE);
            });
        if (!m_options.scrolled.empty())
            ForEach(m_options.scrolled, [](HELEMENT he, const PageShot& shot) {
                POINT scroll{MulDiv(shot.m_options.scroll.x, shot.m_dpi, 96), MulDiv(shot.m_options.scroll.y, shot.m_dpi, 96)};
                HTMLayoutSetScrollPos(he, scroll, FALSE);
            });
        ShowWindow(m_frame, SW_SHOWNORMAL);
        UpdateWindow(m_frame);
        // Clicks near an element's right edge (a text input's end, a drop-down's button) and typing.
        for (const auto& [click, value] : m_options.actions) {
            if (click) {
                ForEach(Narrow(value.c_str()), [](HELEMENT he, const PageShot& shot) {
                    RECT box{};
                    HTMLayoutGetElementLocation(he, &box, HL_VIEW_RELATIVE | HL_BORDER_BOX);
                    LPARAM at = MAKELPARAM(box.right - 4, (box.top + box.bottom) / 2);
                    SendMessageW(shot.m_page, WM_LBUTTONDOWN, MK_LBUTTON, at);
                    SendMessageW(shot.m_page, WM_LBUTTONUP, 0, at);
                });
            } else {
                for (wchar_t c : value)
                    SendMessageW(m_page, WM_CHAR, c, 1);
            }
            UpdateWindow(m_frame);
        }
        if (!m_options.located.empty())
            ForEach(m_options.located, [](HELEMENT he, const PageShot& shot) {
                RECT box{};
                HTMLayoutGetElementLocation(he, &box, HL_VIEW_RELATIVE | HL_BORDER_BOX);
                POINT centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
                ClientToScreen(shot.m_page, &centre);
                std::printf("%ld %ld\n", centre.x, centre.y);
                std::fflush(stdout);
            });
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return 0;
    }

private:
    template <typename Action>
    void ForEach(const std::string& selector, Action action)
    {
        HELEMENT root = nullptr;
        if (HTMLayoutGetRootElement(m_page, &root) != HLDOM_OK)
            return;
        std::vector<HELEMENT> found;
        HTMLayoutSelectElements(
            root, selector.c_str(),
            [](HELEMENT he, LPVOID param) -> BOOL {
                static_cast<std::vector<HELEMENT>*>(param)->push_back(he);
                return FALSE;
            },
            &found);
        if (found.empty())
            std::fprintf(stderr, "PageShot: nothing matches %s\n", selector.c_str());
        for (HELEMENT he : found)
            action(he, *this);
    }

    // Names the page gives are read from its folder; the engine may already have made them
    // absolute against the page's own path.
    std::wstring PathOf(std::wstring uri) const
    {
        if (uri.rfind(L"file://", 0) == 0)
            uri = uri.substr(uri.rfind(L"file:///", 0) == 0 ? 8 : 7);
        bool absolute = (uri.size() >= 2 && uri[1] == L':') || (!uri.empty() && (uri[0] == L'/' || uri[0] == L'\\'));
        return absolute ? uri : m_folder + uri;
    }

    static LRESULT CALLBACK OnNotify(UINT message, WPARAM, LPARAM lParam, LPVOID param)
    {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (message != WM_NOTIFY || header == nullptr || header->code != HLN_LOAD_DATA)
            return 0;
        auto* request = reinterpret_cast<HtmlNotifyLoadData*>(lParam);
        const auto* shot = static_cast<const PageShot*>(param);
        std::string bytes;
        if (request->uri == nullptr || !ReadWholeFile(shot->PathOf(request->uri), bytes)) {
            std::fprintf(stderr, "PageShot: no file for %s\n", request->uri ? Narrow(request->uri).c_str() : "(null)");
            return 0;
        }
        HTMLayoutDataReady(shot->m_page, request->uri, reinterpret_cast<LPCBYTE>(bytes.data()),
                           static_cast<DWORD>(bytes.size()));
        return 0;
    }

    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* shot = reinterpret_cast<PageShot*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
        case WM_SIZE:
            if (shot != nullptr && shot->m_page != nullptr)
                MoveWindow(shot->m_page, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    Options m_options;
    std::wstring m_folder;
    HWND m_frame = nullptr;
    HWND m_page = nullptr;
    int m_dpi = 96;
};

bool ParseOptions(int count, wchar_t** arguments, Options& options)
{
    if (count < 3 || std::swscanf(arguments[2], L"%dx%d", &options.width, &options.height) != 2 ||
        options.width <= 0 || options.height <= 0)
        return false;
    options.page = arguments[1];
    for (int i = 3; i < count; ++i) {
        std::wstring name = arguments[i];
        if (name == L"--media" && i + 1 < count)
            options.media = arguments[++i];
        else if (name == L"--current" && i + 1 < count)
            options.current = Narrow(arguments[++i]);
        else if (name == L"--scroll" && i + 3 < count) {
            options.scrolled = Narrow(arguments[++i]);
            options.scroll.x = _wtoi(arguments[++i]);
            options.scroll.y = _wtoi(arguments[++i]);
        } else if (name == L"--locate" && i + 1 < count)
            options.located = Narrow(arguments[++i]);
        else if ((name == L"--click" || name == L"--type") && i + 1 < count)
            options.actions.push_back({name == L"--click", arguments[++i]});
        else
            return false;
    }
    return true;
}

} // namespace

int main()
{
    // The page is drawn at the system's DPI, not stretched by the system.
    SetProcessDPIAware();
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    Options options;
    if (arguments == nullptr || !ParseOptions(count, arguments, options)) {
        std::fprintf(stderr, "usage: PageShot <page> <width>x<height> [--media <type>] [--current <selector>] "
                             "[--scroll <selector> <x> <y>] [--locate <selector>] [--click <selector>] [--type <text>]\n");
        return 1;
    }
    LocalFree(arguments);
    return PageShot(std::move(options)).Run();
}
