// Windows of their own in pages, and the behaviors that draw or resize, on the page native.html
// shown in a real host window and driven by real window messages.
#include "TestHost.h"
#include "ui/ClockBehavior.h"
#include "ui/ControlFactory.h"
#include "ui/ElementLook.h"
#include "ui/PathBehavior.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

const std::wstring kData = L"" UI_TEST_DATA;

// The page in a host window big enough to show all of it, with what the tests look for in it.
class NativePage {
public:
    NativePage()
    {
        EXPECT_NE(nullptr, host.Create(nullptr, RECT{0, 0, 900, 700}, WS_POPUP | WS_VISIBLE));
        EXPECT_TRUE(host.LoadFile((kData + L"/native.html").c_str()));
        TestHost::Pump(100);
    }

    [[nodiscard]] RECT Content(const char* selector) const { return host.Find(selector).Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX); }

    [[nodiscard]] static RECT Place(HWND child)
    {
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
        return place;
    }

    // The host's child window that lies over the element's content box.
    [[nodiscard]] HWND WindowOf(const char* selector) const
    {
        const RECT box = Content(selector);
        for (HWND child = GetWindow(host.Window(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            const RECT place = Place(child);
            if (EqualRect(&place, &box))
                return child;
        }
        return nullptr;
    }

    // What the screen shows of an area of the window's client, as 0xRRGGBB.
    [[nodiscard]] std::vector<std::uint32_t> Capture(const RECT& area) const
    {
        RedrawWindow(host.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
        HDC window = GetDC(host.Window());
        Draw(width, height, pixels, [&](HDC memory) { BitBlt(memory, 0, 0, width, height, window, area.left, area.top, SRCCOPY); });
        ReleaseDC(host.Window(), window);
        return pixels;
    }

    // Pixels drawn by a painter into a bitmap of that size.
    template <typename Painter>
    static void Draw(int width, int height, std::vector<std::uint32_t>& pixels, Painter paint)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC memory = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        paint(memory);
        GdiFlush();
        const auto* at = static_cast<const std::uint32_t*>(bits);
        pixels.assign(at, at + static_cast<std::ptrdiff_t>(width) * height);
        for (std::uint32_t& pixel : pixels)
            pixel &= 0xFFFFFF;
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }

    TestHost host;
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

// Counts the element's background layer being drawn: once for every repaint of its box.
BOOL CALLBACK CountPaints(LPVOID tag, HELEMENT, UINT group, LPVOID params)
{
    if (group == HL_HANDLE_DRAW && static_cast<HtmlDrawParams*>(params)->cmd == 0)
        ++*static_cast<int*>(tag);
    return FALSE;
}

constexpr DWORD kBaseStyle = 0x56010000;

} // namespace

TEST(NativeControlTest, ControlsTakeTheirClassStylesAndIdFromTheElement)
{
    NativePage page;
    struct Case {
        const char* Selector;
        const wchar_t* Class;
        DWORD Style;
        DWORD ExStyle;
        int Id;
    };
    const Case cases[] = {
        {".shownone", DATETIMEPICK_CLASSW, kBaseStyle | DTS_SHOWNONE, 0, 12},
        {".plain", DATETIMEPICK_CLASSW, kBaseStyle, 0, 0},
        {".calendar", MONTHCAL_CLASSW, kBaseStyle | MCS_WEEKNUMBERS, WS_EX_CLIENTEDGE, 0},
        {".blank", HTMLayoutClassNameW(), kBaseStyle, 0, 0},
    };
    for (const Case& c : cases) {
        HWND window = page.WindowOf(c.Selector);
        ASSERT_NE(nullptr, window) << c.Selector;
        EXPECT_EQ(0, _wcsicmp(c.Class, ClassOf(window).c_str())) << c.Selector;
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
        // Window styles exactly as asked; a control may add styles of its own class.
        EXPECT_EQ(c.Style & 0xFFFF0000, style & 0xFFFF0000) << c.Selector;
        EXPECT_EQ(c.Style & 0xFFFF, style & c.Style & 0xFFFF) << c.Selector;
        EXPECT_EQ(c.ExStyle, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)) & c.ExStyle) << c.Selector;
        EXPECT_EQ(c.Id, GetDlgCtrlID(window)) << c.Selector;
        EXPECT_TRUE(IsWindowVisible(window)) << c.Selector;
    }
    // Without a src the nested page is the blank one; with one it is that page, found beside
    // the outer page.
    HELEMENT blank = nullptr;
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetRootElement(page.WindowOf(".blank"), &blank));
    EXPECT_NE(std::string::npos, ElementRef(blank).Html(HtmlPart::Outer).find("leftmargin")) << ElementRef(blank).Html(HtmlPart::Outer);
    EXPECT_EQ(L"\u00A0", ElementRef(blank).Text());
    HELEMENT framed = nullptr;
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetRootElement(page.WindowOf(".framed"), &framed));
    EXPECT_EQ(L"A page of its own, loaded from native-frame.html.", SelectFirst(ElementRef(framed), "#framed").Text());

    // The control moves with the content of the panel it is in.
    HWND scrolled = page.WindowOf(".scrolled");
    ASSERT_NE(nullptr, scrolled);
    const RECT before = NativePage::Place(scrolled);
    HTMLayoutSetScrollPos(page.host.Find("#scroller").Handle(), POINT{0, 30}, FALSE);
    const RECT after = NativePage::Place(scrolled);
    EXPECT_EQ(before.top - 30, after.top);
    EXPECT_EQ(scrolled, page.WindowOf(".scrolled"));
}

TEST(NativeControlTest, FailedCreationReportsOneAndOtherElementsGetNothing)
{
    NativePage page;
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(gone);
    struct Case {
        const char* Selector;
        HWND Expected;
    };
    const Case cases[] = {
        {".plain", reinterpret_cast<HWND>(1)},
        {".calendar", reinterpret_cast<HWND>(1)},
        {".blank", reinterpret_cast<HWND>(1)},
        {".path", nullptr},
    };
    for (const Case& c : cases) {
        HtmlNotifyCreateControl request{};
        request.header.code = HLN_CREATE_CONTROL;
        request.element = page.host.Find(c.Selector).Handle();
        request.parentWindow = gone;
        ControlFactory::Create(request, nullptr, nullptr);
        EXPECT_EQ(c.Expected, request.controlWindow) << c.Selector;
    }
}

TEST(NativeControlTest, NestedPagesStopAtAnEmptySourceAndAtTheirDepthLimit)
{
    TestHost host;
    ASSERT_NE(nullptr, host.Create(nullptr, RECT{0, 0, 400, 300}, WS_POPUP | WS_VISIBLE));
    // A page that holds itself nests eight times below the host, then shows the blank page; an
    // empty source shows the blank page at once.
    ASSERT_TRUE(host.LoadFile((kData + L"/native-self.html").c_str()));
    int nested = 0;
    EnumChildWindows(
        host.Window(),
        [](HWND window, LPARAM count) {
            *reinterpret_cast<int*>(count) += ClassOf(window) == HTMLayoutClassNameW() ? 1 : 0;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&nested));
    EXPECT_EQ(9 + 9, nested);
}

TEST(ClockBehaviorTest, RepaintsOnceASecondOnlyWhileItTicks)
{
    NativePage page;
    const ElementRef shown = page.host.Find(".clock.shown");
    const ElementRef hidden = page.host.Find(".clock.hidden");
    int shownPaints = 0, hiddenPaints = 0;
    HTMLayoutAttachEventHandlerEx(shown.Handle(), CountPaints, &shownPaints, HL_HANDLE_DRAW);
    HTMLayoutAttachEventHandlerEx(hidden.Handle(), CountPaints, &hiddenPaints, HL_HANDLE_DRAW);
    // Hidden when it was attached: it shows, but does not tick until told to.
    HTMLayoutSetStyleAttribute(page.host.Find(".hider").Handle(), "display", L"block");
    TestHost::Pump(300);
    shownPaints = hiddenPaints = 0;
    TestHost::Pump(2500);
    EXPECT_GE(shownPaints, 2);
    EXPECT_LE(shownPaints, 4);
    EXPECT_EQ(0, hiddenPaints);

    BOOL handled = FALSE;
    HTMLayoutSendEvent(hidden.Handle(), ClockBehavior::kTickEvent, hidden.Handle(), 1, &handled);
    HTMLayoutSendEvent(shown.Handle(), ClockBehavior::kTickEvent, shown.Handle(), 0, &handled);
    TestHost::Pump(300);
    shownPaints = hiddenPaints = 0;
    TestHost::Pump(2500);
    EXPECT_EQ(0, shownPaints);
    EXPECT_GE(hiddenPaints, 2);
    EXPECT_LE(hiddenPaints, 4);
}

TEST(PathBehaviorTest, DrawsTheTextWithItsMiddleElided)
{
    NativePage page;
    const ElementRef path = page.host.Find(".path");
    const RECT box = page.Content(".path");
    const std::vector<std::uint32_t> shown = page.Capture(box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    // The padding beside the text shows the element's background.
    const std::uint32_t background = page.Capture(RECT{box.left - 2, box.top, box.left - 1, box.top + 1})[0];

    // The same text, font and flags drawn here: the middle goes, the drive and file name stay.
    const std::wstring text = path.Text();
    std::wstring elided = text + std::wstring(8, L'\0');
    std::vector<std::uint32_t> expected;
    NativePage::Draw(width, height, expected, [&](HDC dc) {
        const GdiObject font = FontOf(path);
        SelectObject(dc, font.Get());
        RECT all{0, 0, width, height};
        HBRUSH fill = CreateSolidBrush(RGB(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
        FillRect(dc, &all, fill);
        DeleteObject(fill);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, TextColorOf(path));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &all, PathBehavior::kDrawFlags);
        RECT measure = all;
        DrawTextW(dc, elided.data(), -1, &measure, PathBehavior::kDrawFlags | DT_MODIFYSTRING | DT_CALCRECT);
    });
    elided = elided.c_str();
    EXPECT_EQ(0u, elided.find(L"C:\\")) << elided;
    EXPECT_NE(std::wstring::npos, elided.find(L"...")) << elided;
    EXPECT_EQ(elided.size() - 17, elided.rfind(L"administrator.htm")) << elided;
    EXPECT_LT(elided.size(), text.size());
    EXPECT_EQ(expected, shown);
}

TEST(ShellIconBehaviorTest, DrawsTheSystemsIconForTheFileName)
{
    NativePage page;
    for (const char* selector : {".icon[filename='notes.txt']", ".icon[filename='setup.exe']"}) {
        const std::vector<std::uint32_t> shown = page.Capture(page.Content(selector));
        int drawn = 0;
        for (std::uint32_t pixel : shown)
            drawn += pixel != 0xFFFFFF ? 1 : 0;
        EXPECT_GT(drawn, 16) << selector;
    }
}

TEST(SplitterBehaviorTest, DraggingResizesBothNeighboursInItsFlow)
{
    NativePage page;
    struct Case {
        const char* Container;
        const char* Side;
        bool Horizontal;
        int Dragged;
    };
    const Case cases[] = {
        {".split.horizontal", "width", true, 150},
        {".split.vertical", "height", false, 40},
    };
    for (const Case& c : cases) {
        const ElementRef splitter = SelectFirst(page.host.Find(c.Container), ".splitter");
        const ElementRef first = SelectFirst(page.host.Find(c.Container), ".first");
        const ElementRef second = SelectFirst(page.host.Find(c.Container), ".second");
        const RECT start = first.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
        const RECT inner = first.Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
        // The neighbour's edge goes to the pointer: its style gets the size less its padding.
        const long edges = c.Horizontal ? (start.right - start.left) - (inner.right - inner.left)
                                        : (start.bottom - start.top) - (inner.bottom - inner.top);
        const POINT from = page.host.Center(splitter);
        const POINT to = c.Horizontal ? POINT{start.left + c.Dragged, from.y} : POINT{from.x, start.top + c.Dragged};
        const POINT halfway{(from.x + to.x) / 2, (from.y + to.y) / 2};

        page.host.Mouse(WM_LBUTTONDOWN, from, MK_LBUTTON);
        page.host.Mouse(WM_MOUSEMOVE, halfway, MK_LBUTTON);
        page.host.Mouse(WM_MOUSEMOVE, to, MK_LBUTTON);
        page.host.Mouse(WM_LBUTTONUP, to);
        const std::wstring size = std::to_wstring(c.Dragged - edges) + L"px";
        EXPECT_STREQ(size.c_str(), first.StyleAttribute(c.Side)) << c.Container;
        EXPECT_STREQ(L"100%", second.StyleAttribute(c.Side)) << c.Container;
        const RECT now = first.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
        EXPECT_EQ(c.Dragged, c.Horizontal ? now.right - now.left : now.bottom - now.top) << c.Container;

        // Released, the bar no longer follows the pointer.
        page.host.Mouse(WM_MOUSEMOVE, from, 0);
        page.host.Mouse(WM_MOUSEMOVE, halfway, MK_LBUTTON);
        EXPECT_STREQ(size.c_str(), first.StyleAttribute(c.Side)) << c.Container;
    }
}
