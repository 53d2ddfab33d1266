// Auto-activation against the real adapters of a network namespace. The script that runs this
// program (AutoActivationInNamespace.sh) owns the namespace and changes the adapters' addresses
// when the program asks on its standard output ("@@GW SET <adapter> <address/bits> ..."),
// answering "OK" on its standard input.
#include "OutsideSettings.h"
#include "sysproxy/Adapters.h"
#include "sysproxy/SystemSettings.h"

#include <cstdio>

namespace {

using OutsideSettings::Settings;

constexpr DWORD kPeriodMs = 100;
constexpr const wchar_t* kFirst = L"gwa0";
constexpr const wchar_t* kSecond = L"gwa1";

bool AskForAddresses(const std::string& request)
{
    std::printf("@@GW SET %s\n", request.c_str());
    std::fflush(stdout);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string answer;
    char c = 0;
    DWORD read = 0;
    while (ReadFile(input, &c, 1, &read, nullptr) && read == 1 && c != '\n')
        answer.push_back(c);
    return answer.rfind("OK", 0) == 0;
}

class AutoActivationTest : public RunningMonitorTest {
protected:
    // Auto-activation must not need a window to report to.
    void Start(const std::vector<ProxyProfile>& stored)
    {
        RunningMonitorTest::Start(kPeriodMs, stored);
        m_list->SetNotifyWindow(nullptr);
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

ProxyProfile Lab() { return Settings(L"Lab", L"lab:8080", 0x3, kFirst, L"10.77.1.2"); }

TEST_F(AutoActivationTest, AChangeToAProfilesAddressActivatesItOnceAndAgainAfterLeavingAndComingBack)
{
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.1/24 gwa1 10.77.2.1/24"));
    Start({Settings(L"Direct", L"", 0x1), Lab()});
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
    EXPECT_EQ(m_list->CurrentSettings().Name, L"Lab");
}

TEST_F(AutoActivationTest, AnAdapterThatHasTheAddressWhenTheThreadStartsActivatesNothing)
{
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.2/24 gwa1 10.77.2.1/24"));
    // Else this would pass without the namespace's adapters being what the program sees.
    ASSERT_EQ(AdapterAddress(kFirst), L"10.77.1.2");
    ASSERT_EQ(AdapterAddress(kSecond), L"10.77.2.1");
    Start({Settings(L"Direct", L"", 0x1), Lab()});
    WaitForAdapterChecks(3);
    EXPECT_TRUE(Applied().empty());
    EXPECT_EQ(m_list->CurrentSettings().Name, L"Direct");
}

TEST_F(AutoActivationTest, TwoAdaptersChangingInOnePassApplyBothInAdapterOrderAndTheLaterStays)
{
    ASSERT_TRUE(AskForAddresses("gwa0 10.77.1.1/24 gwa1 10.77.2.1/24"));
    Start({Settings(L"Direct", L"", 0x1), Lab(),
           Settings(L"Office", L"office:3128", 0x3, kSecond, L"10.77.2.2")});
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
    EXPECT_EQ(m_list->CurrentSettings().ProxyServer, expected.back());
}

} // namespace
