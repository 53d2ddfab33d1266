// The profile editor of the shipped Gatewarden.exe, opened from the main window (menu command,
// Enter on a row, Ctrl+N) and filled in as a user does: clicks on its page, Tab, typed characters
// and Enter, sent to its engine window. What the editor did is read from the store, the stand-in's
// settings and the screen.
#include "app/GatewardenProgram.h"
#include "sysproxy/Adapters.h"

#include <cstdint>
#include <map>
#include <set>

namespace {

const wchar_t kNewCaption[] = L"New proxy settings";
const wchar_t kEditCaption[] = L"Edit proxy settings";

// The editor's named elements as its accessible tree shows them: the role and the name a screen
// reader announces, and where a click goes (on a box, inside an input where no text reaches, or
// at the start of a number input, away from its spin buttons).
enum class Spot { Centre, RightEnd, LeftEnd };
struct Field {
    long Role;
    const wchar_t* Name;
    Spot Where;
};
const std::map<std::string, Field> kFields = {
    {"DISPLAY_NAME", {ROLE_SYSTEM_TEXT, L"Display name:", Spot::RightEnd}},
    {"PROXY_TYPE_AUTO_DETECT", {ROLE_SYSTEM_CHECKBUTTON, L"Automatically detect settings", Spot::Centre}},
    {"PROXY_TYPE_AUTO_PROXY_URL", {ROLE_SYSTEM_CHECKBUTTON, L"Use automatic configuration script", Spot::Centre}},
    {"AUTOCONFIG_URL", {ROLE_SYSTEM_TEXT, L"Address:", Spot::RightEnd}},
    {"DONT_CACHE_PROXY_RESULT", {ROLE_SYSTEM_CHECKBUTTON, L"Do not chache automatic configuration script results", Spot::Centre}},
    {"USE_PROXY", {ROLE_SYSTEM_CHECKBUTTON, L"Use proxy server", Spot::Centre}},
    {"HHTPPROXY", {ROLE_SYSTEM_TEXT, L"HTTP proxy :", Spot::RightEnd}},
    {"HHTPPROXY_PORT", {ROLE_SYSTEM_TEXT, L"HTTP proxy port", Spot::RightEnd}},
    {"HHTPSPROXY", {ROLE_SYSTEM_TEXT, L"HTTPS proxy :", Spot::RightEnd}},
    {"HHTPSPROXY_PORT", {ROLE_SYSTEM_TEXT, L"HTTPS proxy port", Spot::RightEnd}},
    {"FTPPROXY", {ROLE_SYSTEM_TEXT, L"FTP proxy :", Spot::RightEnd}},
    {"FTPPROXY_PORT", {ROLE_SYSTEM_TEXT, L"FTP proxy port", Spot::RightEnd}},
    {"GOPHERPROXY", {ROLE_SYSTEM_TEXT, L"Gopher proxy :", Spot::RightEnd}},
    {"GOPHERPROXY_PORT", {ROLE_SYSTEM_TEXT, L"Gopher proxy port", Spot::RightEnd}},
    {"SOCKSPROXY", {ROLE_SYSTEM_TEXT, L"Socks proxy :", Spot::RightEnd}},
    {"SOCKSPROXY_PORT", {ROLE_SYSTEM_TEXT, L"Socks proxy port", Spot::RightEnd}},
    {"USE_ONE_PROXY", {ROLE_SYSTEM_CHECKBUTTON, L"Use the same proxy server for all protocols", Spot::Centre}},
    {"BYPASS_LOCAL", {ROLE_SYSTEM_CHECKBUTTON, L"Bypass proxy for local addresses", Spot::Centre}},
    {"BYPASS", {ROLE_SYSTEM_TEXT, L"Do not use proxy server for addresses beginning with:", Spot::RightEnd}},
    {"PROXY_AUTO_ACTIVATE", {ROLE_SYSTEM_CHECKBUTTON, L"Auto-activate proxy", Spot::Centre}},
    {"AUTO_NDIS_NAME", {ROLE_SYSTEM_COMBOBOX, L"Network Adapter:", Spot::Centre}},
    {"AUTO_IP_1", {ROLE_SYSTEM_TEXT, L"IP Address:", Spot::LeftEnd}},
    {"AUTO_IP_2", {ROLE_SYSTEM_TEXT, L"IP address, part 2", Spot::LeftEnd}},
    {"AUTO_IP_3", {ROLE_SYSTEM_TEXT, L"IP address, part 3", Spot::LeftEnd}},
    {"AUTO_IP_4", {ROLE_SYSTEM_TEXT, L"IP address, part 4", Spot::LeftEnd}},
    {"ok", {ROLE_SYSTEM_PUSHBUTTON, L"OK", Spot::Centre}},
    {"cancel", {ROLE_SYSTEM_PUSHBUTTON, L"Cancel", Spot::Centre}},
};

// The editor's page as its accessible tree shows it, read once for each editor window: its
// layout stays put while it is open.
const AccessibleTree& PageTree(HWND page)
{
    static HWND read = nullptr;
    static std::optional<AccessibleTree> tree;
    if (read != page || !tree) {
        tree.emplace(page, AccessibleTree::Reading::RolesNamesAndPlaces);
        read = page;
    }
    return *tree;
}

// Where each field is, in the page's client coordinates; a field that is not there fails the test.
std::map<std::string, POINT> Places(HWND page, const AccessibleTree& tree)
{
    std::map<std::string, POINT> places;
    for (const auto& [key, field] : kFields) {
        const std::optional<AccessibleItem> item = tree.Find(field.Role, field.Name);
        EXPECT_TRUE(item.has_value()) << key;
        if (!item)
            continue;
        POINT at = field.Where == Spot::RightEnd ? item->RightEnd(page) : item->Centre(page);
        if (field.Where == Spot::LeftEnd)
            at.x -= (item->Box.right - item->Box.left) / 2 - 4;
        places[key] = at;
    }
    return places;
}

const std::set<std::string> kCheckboxes = {"PROXY_TYPE_AUTO_DETECT", "PROXY_TYPE_AUTO_PROXY_URL", "DONT_CACHE_PROXY_RESULT",
                                           "USE_PROXY", "USE_ONE_PROXY", "BYPASS_LOCAL", "PROXY_AUTO_ACTIVATE"};

// Plays a script on the editor's page: "{NAME}" clicks that element, "{clear}" empties the focused
// input (End, then Backspace), "{esc}" is Escape, Tab, Enter and Backspace are their keys, anything
// else is typed.
void Play(Gatewarden& program, HWND page, const std::wstring& script)
{
    std::map<std::string, POINT> places;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const wchar_t c = script[i];
        if (c == L'{') {
            const std::size_t end = script.find(L'}', i);
            const std::string token(script.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                    script.begin() + static_cast<std::ptrdiff_t>(end));
            i = end;
            if (token == "clear") {
                program.Key(VK_END, page);
                for (int n = 0; n < 40; ++n)
                    program.Key(VK_BACK, page);
            } else if (token == "esc") {
                program.Key(VK_ESCAPE, page);
            } else {
                if (places.empty())
                    places = Places(page, PageTree(page));
                ASSERT_TRUE(places.contains(token)) << token;
                program.Click(places.at(token), WM_LBUTTONDOWN, page);
            }
        } else if (c == L'\t' || c == L'\n' || c == L'\b') {
            program.Key(c == L'\t' ? VK_TAB : c == L'\n' ? VK_RETURN : VK_BACK, page);
        } else {
            Gatewarden::Type(std::wstring(1, c), page);
        }
    }
}

// Which of the named elements show enabled on the screen: an input by its white inside (greyed:
// #eceff3), a checkbox by its label's dark text (greyed: #8d97a5), since the box itself looks alike.
std::vector<std::string> ShownEnabled(HWND page)
{
    // One copy of the page from the screen, read pixel by pixel without asking the display each time.
    RECT client{};
    GetClientRect(page, &client);
    POINT origin{};
    ClientToScreen(page, &origin);
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    const auto brightness = [&](POINT at) {
        const COLORREF colour = GetPixel(copy, at.x, at.y);
        return (GetRValue(colour) + GetGValue(colour) + GetBValue(colour)) / 3;
    };
    const AccessibleTree& tree = PageTree(page);
    std::vector<std::string> enabled;
    for (const auto& [name, field] : kFields) {
        const auto item = tree.Find(field.Role, field.Name);
        if (name == "ok" || name == "cancel" || !item)
            continue;
        // Inside the frame, left of where the text starts: the input's own background.
        POINT inside{item->Box.left + 2, (item->Box.top + item->Box.bottom) / 2};
        ScreenToClient(page, &inside);
        bool shown = brightness(inside) == 255;
        // A checkbox's label: its text, the darkest pixels in its box.
        const auto label = tree.Find(ROLE_SYSTEM_STATICTEXT, field.Name);
        if (kCheckboxes.contains(name) && label) {
            RECT box = label->Box;
            MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
            int darkest = 255;
            for (int x = box.left; x < box.right; ++x)
                for (int y = box.top; y < box.bottom; ++y)
                    darkest = std::min(darkest, static_cast<int>(brightness({x, y})));
            shown = darkest < 100;
        }
        if (shown)
            enabled.push_back(name);
    }
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return enabled;
}

class EditorTest : public GatewardenExeTest {
protected:
    // Opens the editor for a new profile (row 0) or for the profile of that row by Enter in the list.
    HWND Open(Gatewarden& program, int row, HWND* dialog = nullptr)
    {
        if (row == 0) {
            program.Command(Command::NewProxy);
            return program.DialogPage(kNewCaption, dialog);
        }
        program.SelectRow(row);
        program.Key(VK_RETURN);
        return program.DialogPage(kEditCaption, dialog);
    }
    // The editor has closed and the program has taken its result in.
    static bool Closed(Gatewarden& program, HWND dialog)
    {
        if (!WaitUntil([&] { return !IsWindow(dialog); }))
            return false;
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(program.Main(), WM_NULL, 0, 0, SMTO_NORMAL, kLimitMs, &result) != 0;
    }
};

TEST_F(EditorTest, AddStoresOneProxyForAllProtocolsWithLocalBypassAndAppliesNothing)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    WinInetControl::ClearCalls();
    const std::vector<std::string> logged = LogRows();
    HWND dialog = nullptr;
    HWND page = Open(program, 0, &dialog);
    ASSERT_NE(page, nullptr);
    // The name has the focus; from a checkbox, Tab goes on to the inputs it enables.
    Play(program, page,
         L"{clear}Lab{USE_PROXY}\tproxy.example.com\t8080{USE_ONE_PROXY}{BYPASS_LOCAL}\tintranet;*.corp\t\n");
    ASSERT_TRUE(Closed(program, dialog));

    ProxyProfile added;
    added.Name = L"Lab";
    added.ConnectionFlags = 0x1 | 0x2 | 0x8;  // direct, proxy, and detection as the editor opened with
    for (const wchar_t* scheme : {L"http", L"https", L"ftp", L"gopher", L"socks"})
        added.ProxyServer += std::wstring(scheme) + L"=proxy.example.com:8080;";
    added.ProxyBypass = L"intranet;*.corp;<local>";
    EXPECT_EQ(TempFolder::ReadBytes(m_store), StoreBytes::Store({kProfiles[0], added, kProfiles[1], kProfiles[2]}));
    ASSERT_TRUE(MonitorCaughtUp());
    EXPECT_TRUE(OutsideSettings::AppliedServers().empty());
    EXPECT_EQ(LogRows(), logged);
    EXPECT_TRUE(SystemHolds(kProfiles[0]));
}

TEST_F(EditorTest, EditingTheActiveProfileAppliesItAtOnceWithoutAnActivation)
{
    ASSERT_TRUE(OutsideSettings::Write(kProfiles[1]));
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    ASSERT_TRUE(MonitorCaughtUp());
    WinInetControl::ClearCalls();
    HWND dialog = nullptr;
    HWND page = Open(program, 2, &dialog);
    ASSERT_NE(page, nullptr);
    Play(program, page, L"{HHTPPROXY}{clear}edited.example.org\n");
    ProxyProfile edited = kProfiles[1];
    edited.ProxyServer = L"http=edited.example.org:3128;https=office:3128;ftp=;gopher=;socks=;";
    EXPECT_TRUE(WaitUntil([&] { return SystemHolds(edited); }, kWithinASecond));
    ASSERT_TRUE(Closed(program, dialog));
    ASSERT_TRUE(MonitorCaughtUp());
    EXPECT_EQ(OutsideSettings::AppliedServers(), std::vector<std::wstring>{edited.ProxyServer});
    EXPECT_EQ(TempFolder::ReadBytes(m_store), StoreBytes::Store({kProfiles[0], edited, kProfiles[2]}));
}

TEST_F(EditorTest, RenamingAnInactiveProfileReplacesItsEntryAndCancellingChangesNothing)
{
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    WinInetControl::ClearCalls();
    // Home is the active profile: a cancelled edit of it must not be applied either.
    const std::pair<const wchar_t*, int> cancels[] = {{L"{cancel}", 1}, {L"{esc}", 1}, {L"", 1}, {L"{cancel}", 3}};
    for (const auto& [script, row] : cancels) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(script)));
        const std::string before = TempFolder::ReadBytes(m_store);
        HWND dialog = nullptr;
        HWND page = Open(program, row, &dialog);
        ASSERT_NE(page, nullptr);
        Play(program, page, std::wstring(L"{clear}Changed{USE_PROXY}\tchanged.example.org") + script);
        if (*script == L'\0')
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(Closed(program, dialog));
        EXPECT_EQ(TempFolder::ReadBytes(m_store), before);
    }
    HWND dialog = nullptr;
    program.SelectRow(3);
    program.Command(Command::EditProxy);
    HWND page = program.DialogPage(kEditCaption, &dialog);
    ASSERT_NE(page, nullptr);
    Play(program, page, L"{clear}Roaming{ok}");
    ASSERT_TRUE(Closed(program, dialog));
    ProxyProfile renamed = kProfiles[2];
    renamed.Name = L"Roaming";
    EXPECT_EQ(TempFolder::ReadBytes(m_store), StoreBytes::Store({kProfiles[0], kProfiles[1], renamed}));
    ASSERT_TRUE(MonitorCaughtUp());
    EXPECT_TRUE(OutsideSettings::AppliedServers().empty());
    EXPECT_TRUE(SystemHolds(kProfiles[0]));
}

TEST_F(EditorTest, EachRefusalKeepsTheEditorOpenWithItsEntries)
{
    std::vector<std::wstring> adapters;
    ListAdapters(adapters);
    ASSERT_FALSE(adapters.empty()) << "Wine lists no network adapter";
    const ProxyProfile upper = Profile(L"OFFICE", 0x3, L"http=upper:80;https=;ftp=;gopher=;socks=;");
    const ProxyProfile wired = TestProfile(L"Wired", L"", 0x1, adapters[0], L"10.1.2.3");
    ASSERT_TRUE(WriteStoreFile(m_store, {kProfiles[0], upper, kProfiles[1], kProfiles[2], wired}));
    const std::wstring taken = L"Proxy \"%s\" already in the list. Please specify another display name.";
    const auto inUse = [&](const std::wstring& name) {
        std::wstring text = taken;
        return text.replace(text.find(L"%s"), 2, name);
    };
    struct Case {
        int Row;  // 0: a new profile; else the list's row: 1 Home, 2 OFFICE, 3 Office, 4 Travel, 5 Wired
        std::wstring Script;
        const wchar_t* Caption;  // null: no message, the entries are taken
        std::wstring Text;
        std::wstring Fix;  // played once the message is answered, ending with OK
        std::wstring Stored;
        std::wstring AutoIp;
    };
    // The edits first: a profile added later takes the list's last row.
    const Case cases[] = {
        {3, L"{DISPLAY_NAME}{clear}OFFICE\n", L"Gatewarden", inUse(L"OFFICE"), L"{DISPLAY_NAME}2\n", L"OFFICE2", L""},
        // A change of case alone is a new name, free here.
        {4, L"{DISPLAY_NAME}{clear}travel\n", nullptr, L"", L"", L"travel", L""},
        // Its own name and its own adapter rule are no conflict.
        {5, L"{DISPLAY_NAME}{clear}Wired\n", nullptr, L"", L"", L"Wired", L"10.1.2.3"},
        {0, L"{PROXY_AUTO_ACTIVATE}{AUTO_IP_1}{clear}7{DISPLAY_NAME}{clear}\n", L"Gatewarden",
         L"Please specify proxy Display Name", L"{DISPLAY_NAME}Fresh\n", L"Fresh", L"7.0.0.0"},
        {0, L"{DISPLAY_NAME}{clear}Home\n", L"Gatewarden", inUse(L"Home"), L"{DISPLAY_NAME}2\n", L"Home2", L""},
        {0, L"{DISPLAY_NAME}{clear}Far{PROXY_AUTO_ACTIVATE}{AUTO_IP_1}{clear}256\n", L"Error", L"Invalid IP address",
         L"{AUTO_IP_1}{clear}25\n", L"Far", L"25.0.0.0"},
        {0, L"{DISPLAY_NAME}{clear}Near{PROXY_AUTO_ACTIVATE}{AUTO_IP_1}{clear}10{AUTO_IP_2}{clear}1{AUTO_IP_3}{clear}2"
            L"{AUTO_IP_4}{clear}3\n",
         L"Error",
         L"Proxy \"Wired\" already configured to be auto activated\n when \"10.1.2.3\" is set on \"" + adapters[0] + L"\"",
         L"{AUTO_IP_4}{clear}4\n", L"Near", L"10.1.2.4"},
    };
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Script));
        const std::size_t count = StoredNames(m_store).size();
        HWND dialog = nullptr;
        HWND page = Open(program, c.Row, &dialog);
        ASSERT_NE(page, nullptr);
        Play(program, page, c.Script);
        if (c.Caption != nullptr) {
            HWND box = program.WaitForWindow(L"#32770", c.Caption);
            ASSERT_NE(box, nullptr);
            EXPECT_NE(FindWindowExW(box, nullptr, L"Static", c.Text.c_str()), nullptr);
            program.Answer(box, IDOK);
            EXPECT_TRUE(IsWindowVisible(dialog));
            Play(program, page, c.Fix);
        }
        ASSERT_TRUE(Closed(program, dialog));
        const std::vector<ProxyProfile> stored = StoredProfiles(m_store);
        const auto found = std::find_if(stored.begin(), stored.end(), [&](const auto& p) { return p.Name == c.Stored; });
        ASSERT_NE(found, stored.end());
        EXPECT_EQ(found->AutoIp, c.AutoIp);
        EXPECT_EQ(found->NdisName, c.AutoIp.empty() ? L"" : adapters[0]);
        EXPECT_EQ(StoredNames(m_store).size(), count + (c.Row == 0 ? 1 : 0));
    }
}

TEST_F(EditorTest, CheckboxesEnableAndGreyTheInputsTheyGovern)
{
    using Names = std::vector<std::string>;
    const Names always = {"DISPLAY_NAME", "PROXY_AUTO_ACTIVATE", "PROXY_TYPE_AUTO_DETECT", "PROXY_TYPE_AUTO_PROXY_URL",
                          "USE_PROXY"};
    const Names script = {"AUTOCONFIG_URL", "DONT_CACHE_PROXY_RESULT"};
    const Names http = {"BYPASS", "BYPASS_LOCAL", "HHTPPROXY", "HHTPPROXY_PORT", "USE_ONE_PROXY"};
    const Names others = {"FTPPROXY", "FTPPROXY_PORT", "GOPHERPROXY", "GOPHERPROXY_PORT", "HHTPSPROXY", "HHTPSPROXY_PORT",
                          "SOCKSPROXY", "SOCKSPROXY_PORT"};
    const Names rule = {"AUTO_IP_1", "AUTO_IP_2", "AUTO_IP_3", "AUTO_IP_4", "AUTO_NDIS_NAME"};
    enum : unsigned { Script = 1, Http = 2, Others = 4, Rule = 8 };
    // Each click and what shows enabled after it, from the new profile's editor.
    const std::pair<const wchar_t*, unsigned> steps[] = {
        {L"", 0},
        {L"{PROXY_TYPE_AUTO_PROXY_URL}", Script},
        {L"{USE_PROXY}", Script | Http | Others},
        {L"{USE_ONE_PROXY}", Script | Http},
        {L"{BYPASS_LOCAL}", Script | Http},
        {L"{PROXY_TYPE_AUTO_DETECT}", Script | Http},
        {L"{PROXY_AUTO_ACTIVATE}", Script | Http | Rule},
        {L"{USE_PROXY}", Script | Rule},
        {L"{USE_PROXY}", Script | Http | Rule},  // the same server for all stays ticked
        {L"{USE_ONE_PROXY}", Script | Http | Others | Rule},
        {L"{PROXY_TYPE_AUTO_PROXY_URL}", Http | Others | Rule},
        {L"{PROXY_AUTO_ACTIVATE}", Http | Others},
    };
    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    // Ctrl+N from the keyboard, which goes to the foreground window.
    ASSERT_TRUE(WaitUntil([&] { return SetForegroundWindow(program.Main()) && GetForegroundWindow() == program.Main(); }));
    for (const auto& [key, flags] : {std::pair<BYTE, DWORD>{VK_CONTROL, 0}, {'N', 0}, {'N', KEYEVENTF_KEYUP},
                                     {VK_CONTROL, KEYEVENTF_KEYUP}})
        keybd_event(key, 0, flags, 0);
    HWND page = program.DialogPage(kNewCaption);
    ASSERT_NE(page, nullptr);
    for (const auto& [click, groups] : steps) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(click)));
        Play(program, page, click);
        Names expected = always;
        for (const auto& [group, names] : {std::pair{Script, &script}, {Http, &http}, {Others, &others}, {Rule, &rule}})
            if ((groups & group) != 0)
                expected.insert(expected.end(), names->begin(), names->end());
        std::sort(expected.begin(), expected.end());
        Names shown;
        EXPECT_TRUE(WaitUntil([&] { return (shown = ShownEnabled(page)) == expected; })) << testing::PrintToString(shown);
    }
}

} // namespace
