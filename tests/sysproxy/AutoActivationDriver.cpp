// Auto-activation against the real adapters of a network namespace. The script that runs this
// program (AutoActivationInNamespace.sh) owns the namespace and changes the adapters' addresses
// when the program asks on its standard output ("@@GW SET <adapter> <address/bits> ..."), and
// presses keys in a window as a user would ("@@GW KEYS <caption>|<xdotool key names>"),
// answering "OK" on its standard input.
#include "OutsideSettings.h"
#include "app/GatewardenProgram.h"
#include "sysproxy/Adapters.h"
#include "sysproxy/SystemSettings.h"
#include "views/Commands.h"

#include <algorithm>
#include <cstdio>

namespace {


constexpr DWORD kPeriodMs = 100;
constexpr const wchar_t* kFirst = L"gwa0";
constexpr const wchar_t* kSecond = L"gwa1";

bool Ask(const std::string& request)
{
    std::printf("@@GW %s\n", request.c_str());
    std::fflush(stdout);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string answer;
    char c = 0;
    DWORD read = 0;
    while (ReadFile(input, &c, 1, &read, nullptr) && read == 1 && c != '\n')
        answer.push_back(c);
    return answer.rfind("OK", 0) == 0;
}

bool AskForAddresses(const std::string& request) { return Ask("SET " + request); }

class AutoActivationTest : public RunningMonitorTest {
protected:
    // Auto-activation must not need a window to report to.
    void Start(const std::vector<ProxyProfile>& stored)
    {
        RunningMonitorTest::Start(kPeriodMs, stored);
        m_list->Notifier().SetWindow(nullptr);
    }
    void WaitForAdapterChecks(int checks) { ASSERT_TRUE(m_watch.WaitForMore(checks, true)); }

    // The servers of the profiles applied since the last look.
    static std::vector<std::wstring> Applied()
    {
        const std::vector<std::wstring> servers = OutsideSettings::AppliedServers();
        WinInetControl::ClearCalls();
        return servers;
    }
};

ProxyProfile Lab() { return TestProfile(L"Lab", L"lab:8080", 0x3, kFirst, L"10.77.1.2"); }

TEST_F(AutoActivationTest, AChangeToAProfilesAddressActivatesItOnceAndAgainAfterLeavingAndComingBack)
{
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.1/24 gwa1 10.77.2.1/24"));
    Start({TestProfile(L"Direct", L"", 0x1), Lab()});
    WaitForAdapterChecks(2);
    EXPECT_TRUE(Applied().empty());

    struct Step {
        const char* Addresses;
        std::size_t Activations;
    };
    const Step steps[] = {
        {"gwa0 10.77.1.2/24", 1},  // A to B
        {"gwa1 10.77.2.2/24", 0},  // staying at B while another adapter changes
        {"gwa0 10.77.1.1/24", 0},  // back to A
        {"gwa0 10.77.1.2/24", 1},  // and to B again
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Addresses);
        ASSERT_TRUE(AskForAddresses(step.Addresses));
        WaitForAdapterChecks(3);
        EXPECT_EQ(Applied(), std::vector<std::wstring>(step.Activations, L"lab:8080"));
    }
    EXPECT_EQ(m_list->Snapshot().Current().Name, L"Lab");
}

TEST_F(AutoActivationTest, AnAdapterThatHasTheAddressWhenTheThreadStartsActivatesNothing)
{
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.2/24 gwa1 10.77.2.1/24"));
    // Else this would pass without the namespace's adapters being what the program sees.
    ASSERT_EQ(AdapterAddress(kFirst), L"10.77.1.2");
    ASSERT_EQ(AdapterAddress(kSecond), L"10.77.2.1");
    Start({TestProfile(L"Direct", L"", 0x1), Lab()});
    WaitForAdapterChecks(3);
    EXPECT_TRUE(Applied().empty());
    EXPECT_EQ(m_list->Snapshot().Current().Name, L"Direct");
}

TEST_F(AutoActivationTest, TwoAdaptersChangingInOnePassApplyBothInAdapterOrderAndTheLaterStays)
{
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.1/24 gwa1 10.77.2.1/24"));
    Start({TestProfile(L"Direct", L"", 0x1), Lab(),
           TestProfile(L"Office", L"office:3128", 0x3, kSecond, L"10.77.2.2")});
    WaitForAdapterChecks(2);
    std::vector<std::wstring> adapters;
    ListAdapters(adapters);
    std::vector<std::wstring> expected;
    for (const std::wstring& adapter : adapters) {
        if (adapter == kFirst)
            expected.push_back(L"lab:8080");
        else if (adapter == kSecond)
            expected.push_back(L"office:3128");
    }
    ASSERT_EQ(expected.size(), 2u);

    // Right after a check the next one is three passes away: both changes land before it.
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.2/24 gwa1 10.77.2.2/24"));
    WaitForAdapterChecks(2);
    EXPECT_EQ(Applied(), expected);
    ProxyProfile system;
    CaptureSystemSettings(system);
    EXPECT_EQ(system.ProxyServer, expected.back());
    EXPECT_EQ(m_list->Snapshot().Current().ProxyServer, expected.back());
}

// The whole way through the shipped program: a user makes the rule in the editor, and the
// program's monitor applies the profile when the adapter takes the address.
using EditorRuleTest = GatewardenExeTest;

TEST_F(EditorRuleTest, ARuleMadeInTheEditorActivatesItsProfileWhenTheAdapterTakesTheAddress)
{
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.1/24 gwa1 10.77.2.1/24"));
    std::vector<std::wstring> adapters;
    ListAdapters(adapters);
    const auto position = std::find(adapters.begin(), adapters.end(), kSecond) - adapters.begin();
    ASSERT_LT(position, static_cast<std::ptrdiff_t>(adapters.size()));
    const ProxyProfile& travel = kProfiles[2];

    Gatewarden program;
    ASSERT_NE(program.Main(), nullptr);
    program.SelectRow(3);
    program.Command(Command::EditProxy);
    const HWND editor = program.WaitForWindow(nullptr, L"Edit proxy settings");
    ASSERT_NE(editor, nullptr);
    // The keys go where the focus is: inside the editor, on its page.
    ASSERT_TRUE(WaitUntil([&] {
        GUITHREADINFO focus{};
        focus.cbSize = sizeof(focus);
        return GetGUIThreadInfo(GetWindowThreadProcessId(editor, nullptr), &focus) && focus.hwndFocus != nullptr &&
               GetAncestor(focus.hwndFocus, GA_ROOT) == editor;
    }));
    // From the name, Tab passes the boxes and the script's address that Travel's settings enable
    // on its way to "Auto-activate proxy"; Down on the closed drop-down takes the next adapter
    // from the first; each part of the address has its text selected when Tab enters it.
    std::string keys = "Tab Tab Tab Tab Tab Tab space Tab";
    for (std::ptrdiff_t i = 0; i < position; ++i)
        keys += " Down";
    ASSERT_TRUE(Ask("KEYS Edit proxy settings|" + keys + " Tab 1 0 Tab 7 7 Tab 2 Tab 2 Return"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(editor); }));

    std::vector<ProxyProfile> stored;
    ASSERT_EQ(ReadStoreFile(m_store, [&](ProxyProfile&& profile) { stored.push_back(std::move(profile)); }),
              StoreReadResult::Read);
    const auto rule = std::find_if(stored.begin(), stored.end(), [&](const ProxyProfile& p) { return p.Name == travel.Name; });
    ASSERT_NE(rule, stored.end());
    EXPECT_EQ(rule->NdisName, kSecond);
    EXPECT_EQ(rule->AutoIp, L"10.77.2.2");
    EXPECT_TRUE(SystemHolds(kProfiles[0]));

    ASSERT_TRUE(AskForAddresses("gwa1 10.77.2.2/24"));
    EXPECT_TRUE(WaitUntil([&] { return SystemHolds(travel); }));
}

} // namespace
