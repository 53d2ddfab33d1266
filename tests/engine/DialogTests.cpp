// The modal dialog around a page, driven by real window messages from a timer that runs inside
// its modal loop.
#include "engine/HTMLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum class Ending { Button, CloseBox };

// What the timer, the element procedure and the notification callback of one run saw.
struct DialogRun {
    HWND Owner = nullptr;
    Ending End = Ending::Button;
    HWND Dialog = nullptr;
    HWND Page = nullptr;
    int Ticks = 0;
    bool OwnerDisabled = false;
    bool OwnerDisabledInClick = false;
    bool Attached = false;
    bool PageHadFocus = false;
    std::wstring Caption;
    RECT Frame{};
    RECT Client{};
    RECT Button{};
    std::vector<std::wstring> Requests;
};

DialogRun* g_run = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && GetWindow(window, GW_OWNER) == g_run->Owner && IsWindowVisible(window)) {
        g_run->Dialog = window;
        return FALSE;
    }
    return TRUE;
}

// First tick with the dialog shown: look at it and press Escape, which must reach the page and
// not end the dialog. Next tick: end it the way the run says.
void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    DialogRun& run = *g_run;
    if (++run.Ticks > 200) {  // a dialog that would not end fails the test instead of hanging it
        KillTimer(nullptr, timer);
        if (run.Dialog != nullptr)
            EndDialog(run.Dialog, -99);
        return;
    }
    if (run.Dialog == nullptr) {
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
        if (run.Dialog == nullptr)
            return;
        run.Page = FindWindowExW(run.Dialog, nullptr, HTMLayoutClassNameW(), nullptr);
        run.OwnerDisabled = !IsWindowEnabled(run.Owner);
        run.PageHadFocus = GetFocus() == run.Page;
        wchar_t caption[64] = {};
        GetWindowTextW(run.Dialog, caption, 64);
        run.Caption = caption;
        GetWindowRect(run.Dialog, &run.Frame);
        GetClientRect(run.Page, &run.Client);
        HELEMENT root = nullptr, button = nullptr;
        HTMLayoutGetRootElement(run.Page, &root);
        HTMLayoutGetNthChild(root, 2, &button);  // after the title and the paragraph
        HTMLayoutGetElementLocation(button, &run.Button, HL_VIEW_RELATIVE | HL_BORDER_BOX);
        PostMessageW(run.Page, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(run.Page, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        return;
    }
    KillTimer(nullptr, timer);
    if (run.End == Ending::CloseBox) {
        PostMessageW(run.Dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    LPARAM at = MAKELPARAM((run.Button.left + run.Button.right) / 2, (run.Button.top + run.Button.bottom) / 2);
    SendMessageW(run.Page, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(run.Page, WM_LBUTTONUP, 0, at);
}

BOOL CALLBACK EndOnClick(LPVOID tag, HELEMENT he, UINT group, LPVOID params)
{
    auto& run = *static_cast<DialogRun*>(tag);
    const UINT cmd = *static_cast<const UINT*>(params);
    if (group == HL_HANDLE_INITIALIZATION && cmd == HL_BEHAVIOR_ATTACH)
        run.Attached = true;
    if (group != HL_HANDLE_BEHAVIOR_EVENT || cmd != HL_BUTTON_CLICK)
        return FALSE;
    run.OwnerDisabledInClick = !IsWindowEnabled(run.Owner);
    HWND page = nullptr;
    HTMLayoutGetElementHwnd(he, &page, FALSE);
    EndDialog(GetParent(page), 7);
    return TRUE;
}

LRESULT CALLBACK RecordRequests(UINT message, WPARAM, LPARAM lParam, LPVOID param)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (message == WM_NOTIFY && header->code == HLN_LOAD_DATA)
        static_cast<DialogRun*>(param)->Requests.push_back(reinterpret_cast<HtmlNotifyLoadData*>(header)->uri);
    return 0;
}

class OwnerWindow {
public:
    OwnerWindow()
        : m_window(CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW, 200, 150, 600, 450, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~OwnerWindow() { DestroyWindow(m_window); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    [[nodiscard]] HWND Window() const { return m_window; }

private:
    HWND m_window;
};

const std::string kPage = "<html><title> Crash\n report </title><p>Something went wrong. <img src='logo.png' width=16 "
                          "height=16></p><button style='margin-top:300px'>Close</button></html>";

INT_PTR ShowDialog(DialogRun& run, POINT position, int alignment, const std::string& page)
{
    g_run = &run;
    SetTimer(nullptr, 0, 30, DriveDialog);
    INT_PTR result = HTMLayoutDialog(run.Owner, position, alignment, 0x80C80000, 0x101, RecordRequests, EndOnClick, &run,
                                     reinterpret_cast<LPCBYTE>(page.data()), static_cast<UINT>(page.size()));
    g_run = nullptr;
    return result;
}

} // namespace

TEST(DialogTests, EndsByButtonOrCloseBoxWithTheOwnerDisabledMeanwhile)
{
    OwnerWindow owner;
    RECT ownerRect{};
    GetWindowRect(owner.Window(), &ownerRect);
    enum class Placed { CentredOverOwner, TopLeftAtPosition, BottomRightAtPosition };
    // The button run also presses Escape first: a dialog manager that took it would answer 2.
    struct Case {
        Ending End;
        int Alignment;
        POINT Position;
        INT_PTR Result;
        Placed Where;
    } cases[] = {
        {Ending::Button, 0, {0, 0}, 7, Placed::CentredOverOwner},
        {Ending::CloseBox, 7, {40, 30}, IDCANCEL, Placed::TopLeftAtPosition},
        {Ending::CloseBox, 3, {700, 650}, IDCANCEL, Placed::BottomRightAtPosition},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.Alignment);
        DialogRun run;
        run.Owner = owner.Window();
        run.End = test.End;
        EXPECT_EQ(test.Result, ShowDialog(run, test.Position, test.Alignment, kPage));
        EXPECT_TRUE(IsWindowEnabled(owner.Window()));
        EXPECT_TRUE(run.OwnerDisabled);
        EXPECT_EQ(test.End == Ending::Button, run.OwnerDisabledInClick);
        EXPECT_TRUE(run.Attached);
        EXPECT_TRUE(run.PageHadFocus);
        EXPECT_EQ(L"Crash report", run.Caption);
        ASSERT_EQ(1u, run.Requests.size());
        EXPECT_NE(std::wstring::npos, run.Requests[0].find(L"logo.png"));
        // Sized to the page: the button, below a tall margin, is inside the client area.
        EXPECT_GT(run.Button.bottom, 300);
        EXPECT_LE(run.Button.bottom, run.Client.bottom);
        EXPECT_LE(run.Button.right, run.Client.right);
        switch (test.Where) {
        case Placed::CentredOverOwner:
            EXPECT_NEAR((ownerRect.left + ownerRect.right) / 2, (run.Frame.left + run.Frame.right) / 2, 1);
            EXPECT_NEAR((ownerRect.top + ownerRect.bottom) / 2, (run.Frame.top + run.Frame.bottom) / 2, 1);
            break;
        case Placed::TopLeftAtPosition:
            EXPECT_EQ(test.Position.x, run.Frame.left);
            EXPECT_EQ(test.Position.y, run.Frame.top);
            break;
        case Placed::BottomRightAtPosition:
            EXPECT_EQ(test.Position.x, run.Frame.right);
            EXPECT_EQ(test.Position.y, run.Frame.bottom);
            break;
        }
    }
}

TEST(DialogTests, PageThatDoesNotLoadAnswersMinusOneAndShowsNothing)
{
    OwnerWindow owner;
    const char bytes[] = "<p>short</p>";
    struct Case {
        const char* Html;
        UINT Length;
    } cases[] = {{nullptr, 10}, {nullptr, 0}, {bytes, 0xFFFFFFFFu}};
    for (const Case& test : cases) {
        DialogRun run;
        run.Owner = owner.Window();
        INT_PTR result = HTMLayoutDialog(owner.Window(), POINT{0, 0}, 0, 0x80C80000, 0x101, RecordRequests, EndOnClick,
                                         &run, reinterpret_cast<LPCBYTE>(test.Html), test.Length);
        EXPECT_EQ(-1, result);
        EXPECT_FALSE(run.Attached);
        EXPECT_TRUE(IsWindowEnabled(owner.Window()));
    }
}
