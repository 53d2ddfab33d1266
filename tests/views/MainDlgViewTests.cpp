// The main view's table: how profiles read in it, and the page filled from a real profile list.
#include "views/MainDlgView.h"

#include "profiles/StoreFile.h"
#include "standins/wininet/WinInetControl.h"
#include "support/RecordingStatus.h"
#include "support/TempFolder.h"
#include "support/TestProfiles.h"
#include "sysproxy/ApplyProfile.h"
#include "ui/ElementSelect.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <memory>

namespace {

ProxyProfile Profile(const std::wstring& name, std::uint32_t flags, const std::wstring& server = L"",
                     const std::wstring& bypass = L"")
{
    ProxyProfile profile = TestProfile(name, server, flags);
    profile.ProxyBypass = bypass;
    return profile;
}

} // namespace

TEST(MainDlgViewText, CellsReadAsTheTableShowsThem)
{
    struct Case {
        ProxyProfile Profile;
        const wchar_t* Type;
        std::wstring Proxy;
        const wchar_t* Bypass;
    };
    // Servers whose summaries are 39 and 40 characters long.
    auto server = [](std::size_t summaryLength) {
        std::wstring name = L"h";
        while (Profile(L"", PROXY_TYPE_PROXY, name).ServerSummary().size() < summaryLength)
            name += L'h';
        return name;
    };
    const std::wstring summary39 = Profile(L"", PROXY_TYPE_PROXY, server(39)).ServerSummary();
    const std::wstring summary40 = Profile(L"", PROXY_TYPE_PROXY, server(40)).ServerSummary();
    ASSERT_EQ(40u, summary40.size());
    const Case cases[] = {
        {Profile(L"a", PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_PROXY, server(39), L"<local>"), L"Auto", summary39, L""},
        {Profile(L"b", PROXY_TYPE_PROXY, server(40), L"a;<local>"), L"Proxy", summary40.substr(0, 37) + L"...", L"a"},
        {Profile(L"c", PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_DETECT, L"", L"<local>;x"), L"Direct", L"", L"x"},
        {Profile(L"d", 0, L"", L"0123456789abcdef"), L"Direct", L"", L"0123456789abcde..."},
        {Profile(L"e", 0, L"", L"0123456789abcde;"), L"Direct", L"", L"0123456789abcde"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Profile.Name.begin(), c.Profile.Name.end()));
        EXPECT_EQ(c.Type, MainDlgView::TypeText(c.Profile));
        EXPECT_EQ(c.Proxy, MainDlgView::ProxyText(c.Profile));
        EXPECT_EQ(c.Bypass, MainDlgView::BypassText(c.Profile));
    }
}

class MainDlgViewTest : public testing::Test, public MainDlgView::Owner {
protected:
    void OnRowCommandsEnabled(bool enabled) override { m_told.push_back(enabled); }

    void SetUp() override
    {
        WinInetControl::Reset();
        // A store of three, the second written to the system's settings before the list that the
        // view shows takes them in.
        const ProxyProfile office = Profile(L"Office", PROXY_TYPE_PROXY, L"office:3128", L"<local>");
        ProfileListOptions options;
        options.StorePath = m_folder.File(L"proxies.kpp");
        options.Monitor = MonitorStart::DontStart;
        ASSERT_TRUE(WriteStoreFile(options.StorePath, {Profile(L"<b>x</b>&amp;", PROXY_TYPE_DIRECT), office,
                                                       Profile(L"Home", PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_DIRECT)}));
        ASSERT_TRUE(ApplyProfile(office));
        m_list = std::make_unique<ProfileList>(options);
        ASSERT_EQ(L"Office", m_list->Snapshot().Current().Name);
        m_view = std::make_unique<MainDlgView>(*m_list, m_status, this);
        m_window = m_view->Create(nullptr, RECT{0, 0, 640, 400}, WS_POPUP | WS_VISIBLE);
        ASSERT_NE(nullptr, m_window);
    }
    void TearDown() override
    {
        m_view.reset();
        m_list.reset();
        WinInetControl::Reset();
    }

    std::vector<std::wstring> Column(UINT cell)
    {
        std::vector<ElementRef> rows;
        SelectAll(m_view->Root(), rows, "tr[name='proxy_info']");
        std::vector<std::wstring> texts;
        for (const ElementRef& row : rows)
            texts.push_back(row.Child(cell).Text());
        return texts;
    }

    TempFolder m_folder;
    RecordingStatus m_status;
    std::unique_ptr<ProfileList> m_list;
    std::unique_ptr<MainDlgView> m_view;
    HWND m_window = nullptr;
    std::vector<bool> m_told;  // what the view told its owner about the row commands
};

TEST_F(MainDlgViewTest, FillsOneRowPerProfileWithNamesAsTypedAndTheMarkerOnTheActiveOne)
{
    EXPECT_EQ((std::vector<std::wstring>{L"<b>x</b>&amp;", L"Home", L"Office"}), Column(1));
    EXPECT_EQ((std::vector<std::wstring>{L"Direct", L"Auto", L"Proxy"}), Column(2));
    EXPECT_EQ((std::vector<std::wstring>{L" ", L" ", L"\u00BB"}), Column(0));
    EXPECT_EQ(m_window, m_list->Notifier().Window());
    EXPECT_EQ(L"", m_view->SelectedName());
    EXPECT_FALSE(m_view->IsSelectedActive());
    EXPECT_EQ(m_told, std::vector<bool>{false}) << "no row is current at first";

    // A click on the active row makes it current; the toolbar follows once the grid reports it.
    ElementRef office = SelectFirst(m_view->Root(), "tr[name='proxy_info']:last-child");
    RECT box = office.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX);
    LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    SendMessageW(m_window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(m_window, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(L"Office", m_view->SelectedName());
    EXPECT_TRUE(m_view->IsSelectedActive());
    ElementRef activate = SelectFirst(m_view->Root(), "*[id='activate']");
    const DWORD start = GetTickCount();
    while (activate.TestState(HL_STATE_DISABLED) && GetTickCount() - start < 2000) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(5);
    }
    EXPECT_FALSE(activate.TestState(HL_STATE_DISABLED));
    EXPECT_EQ(m_told, (std::vector<bool>{false, true})) << "told once, when the grid reported the row";
}

// At the smallest client area the main window allows, the table keeps to the window and every
// column header shows whole: its text, measured by the system in the header's own font, fits
// inside its cell; the toolbar's last button stays in view.
TEST_F(MainDlgViewTest, TheSmallestWindowKeepsTheToolbarAndEveryColumnHeaderWhole)
{
    HDC screen = GetDC(m_window);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    const SIZE smallest = MainDlgView::MinimumClientSize(dpi);
    SetWindowPos(m_window, nullptr, 0, 0, smallest.cx, smallest.cy, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_LE(SelectFirst(m_view->Root(), "*[id='help']").Location(HL_VIEW_RELATIVE | HL_BORDER_BOX).right, smallest.cx);
    std::vector<ElementRef> headers;
    SelectAll(m_view->Root(), headers, "#proxy_list th");
    ASSERT_EQ(6u, headers.size());
    for (const ElementRef& header : headers) {
        const std::wstring text = header.Text();
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const wchar_t* family = header.StyleAttribute("font-family");
        const wchar_t* size = header.StyleAttribute("font-size");
        const wchar_t* weight = header.StyleAttribute("font-weight");
        ASSERT_TRUE(family != nullptr && size != nullptr && std::wcsstr(size, L"pt") != nullptr);
        HFONT font = CreateFontW(-static_cast<int>(std::lround(std::wcstod(size, nullptr) * dpi / 72)), 0, 0, 0,
                                 weight != nullptr && std::wcscmp(weight, L"bold") == 0 ? FW_BOLD : FW_NORMAL, FALSE,
                                 FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, family);
        HGDIOBJ old = SelectObject(screen, font);
        SIZE extent{};
        GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(screen, old);
        DeleteObject(font);
        const RECT content = header.Location(HL_VIEW_RELATIVE | HL_CONTENT_BOX);
        EXPECT_LE(extent.cx, content.right - content.left);
        EXPECT_LE(header.Location(HL_VIEW_RELATIVE | HL_BORDER_BOX).right, smallest.cx);
    }
    ReleaseDC(m_window, screen);
}
