#include "OutsideSettings.h"
#include "sysproxy/MonitorPasses.h"
#include "sysproxy/MonitorState.h"
#include "sysproxy/SystemSettings.h"

#include <optional>

namespace {

using Messages = std::vector<std::pair<UINT, std::wstring>>;

// Passes run one by one with no pause, on a collection, a snapshot and a notify window of the
// test's own, against adapters that the test sets before each pass.
class MonitorPassesTest : public testing::Test {
protected:
    void SetUp() override
    {
        WinInetControl::Reset();
        // The system starts at settings that a profile holds, as it usually does.
        ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"", 0x1)));
        m_profiles = std::make_shared<ProfileCollection>();
        m_snapshot = std::make_shared<SettingsSnapshot>();
        m_notifier = std::make_shared<ProfileNotifier>(*m_profiles);
        m_profiles->Put(TestProfile(L"Direct", L"", 0x1));
        ImportConnections(*m_profiles, *m_snapshot);
        m_notifier->SetWindow(m_window.Get());
        MonitorOptions options;
        options.PeriodMs = 0;
        m_passes.reset();
        m_state = std::make_shared<MonitorState>(m_profiles, m_snapshot, m_notifier, options);
        m_passesRun = 0;
        m_passes.emplace(*m_state, [this] { return m_adapters; });
        WinInetControl::ClearCalls();
    }
    void TearDown() override
    {
        m_passes.reset();
        WinInetControl::Reset();
    }

    // Runs passes up to and including the next one that looks at the adapters.
    MonitorPasses::Outcome RunToAdapterCheck()
    {
        MonitorPasses::Outcome outcome = m_passes->RunPass();
        while (++m_passesRun % 4 != 1 || m_passesRun < 5)
            outcome = m_passes->RunPass();
        return outcome;
    }

    OutsideSettings::MessageWindow m_window;
    std::shared_ptr<ProfileCollection> m_profiles;
    std::shared_ptr<SettingsSnapshot> m_snapshot;
    std::shared_ptr<ProfileNotifier> m_notifier;
    std::shared_ptr<MonitorState> m_state;
    std::vector<Adapter> m_adapters;
    std::optional<MonitorPasses> m_passes;
    int m_passesRun = 0;
};

TEST_F(MonitorPassesTest, AdaptersAreExaminedOnTheFifthPassAndEveryFourthAfter)
{
    struct Case {
        int ChangeBeforePass;
        std::vector<int> ActivatingPasses;
    };
    // The address is first seen on pass 5: a change before it is no change.
    const Case cases[] = {{2, {}}, {5, {}}, {6, {9}}, {9, {9}}, {10, {13}}, {13, {13}}, {14, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ChangeBeforePass);
        SetUp();
        m_profiles->Put(TestProfile(L"Office", L"office:1", 0x3, L"eth0", L"10.1.0.2"));
        m_adapters = {{L"eth0", L"10.1.0.1"}};
        std::vector<int> activating;
        for (int pass = 1; pass <= 14; ++pass) {
            if (pass == c.ChangeBeforePass)
                m_adapters = {{L"eth0", L"10.1.0.2"}};
            if (m_passes->RunPass() == MonitorPasses::Outcome::ProfileActivated)
                activating.push_back(pass);
        }
        EXPECT_EQ(activating, c.ActivatingPasses);
    }
}

TEST_F(MonitorPassesTest, AnAddressActivatesItsProfileOnlyWhenItChangesToIt)
{
    m_profiles->Put(TestProfile(L"Office", L"office:1", 0x3, L"eth0", L"10.1.0.2"));
    m_profiles->Put(TestProfile(L"Plain", L"plain:1"));  // no rule: an empty adapter name and address
    struct Step {
        std::vector<Adapter> Adapters;
        bool Activates;
    };
    const Step steps[] = {
        {{{L"eth0", L"10.1.0.2"}}, false},  // first seen, already at the profile's address
        {{{L"eth0", L"10.1.0.1"}}, false},
        {{{L"eth0", L"10.1.0.2"}}, true},
        {{{L"eth0", L"10.1.0.2"}}, false},
        {{}, false},                        // gone: keeps its last address
        {{{L"eth0", L"10.1.0.2"}}, false},  // back with the same address
        {{{L"eth0", L"10.1.0.3"}}, false},  // an address no profile holds
        {{{L"eth0", L"10.1.0.2"}}, true},
        {{{L"eth1", L"10.1.0.1"}}, false},
        {{{L"eth1", L"10.1.0.2"}}, false},  // the address, but on another adapter
        {{{L"", L"10.1.0.1"}, {L"", L"10.1.0.1"}}, false},
        {{{L"", L""}}, false},              // an adapter without a name at the rule-less address
    };
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        m_adapters = step.Adapters;
        WinInetControl::ClearCalls();
        const auto outcome = RunToAdapterCheck();
        EXPECT_EQ(outcome == MonitorPasses::Outcome::ProfileActivated, step.Activates);
        EXPECT_EQ(OutsideSettings::AppliedServers().size(), step.Activates ? 1u : 0u);
    }
}

TEST_F(MonitorPassesTest, TwoAdaptersChangingInOnePassApplyBothInAdapterOrderAndTheLaterStays)
{
    m_profiles->Put(TestProfile(L"A Office", L"office:1", 0x3, L"eth1", L"10.2.0.2"));
    m_profiles->Put(TestProfile(L"B Lab", L"lab:1", 0x3, L"eth0", L"10.1.0.2"));
    m_adapters = {{L"eth1", L"10.2.0.1"}, {L"eth0", L"10.1.0.1"}};
    RunToAdapterCheck();
    m_window.Take(*m_profiles);
    WinInetControl::ClearCalls();

    m_adapters = {{L"eth1", L"10.2.0.2"}, {L"eth0", L"10.1.0.2"}};
    EXPECT_EQ(RunToAdapterCheck(), MonitorPasses::Outcome::ProfileActivated);
    EXPECT_EQ(OutsideSettings::AppliedServers(), (std::vector<std::wstring>{L"office:1", L"lab:1"}));
    // The activating pass reports each activation and does not look at the settings.
    EXPECT_EQ(m_window.Take(*m_profiles), (Messages{{WM_PROFILE_ACTIVATED, L"A Office"}, {WM_PROFILE_ACTIVATED, L"B Lab"}}));
    EXPECT_EQ(m_snapshot->Current().Name, L"Direct");

    // The next pass finds the later one in effect and reports it a second time.
    EXPECT_EQ(m_passes->RunPass(), MonitorPasses::Outcome::SettingsTracked);
    EXPECT_EQ(m_window.Take(*m_profiles), (Messages{{WM_PROFILE_ACTIVATED, L"B Lab"}}));
    EXPECT_EQ(m_snapshot->Current().Name, L"B Lab");
}

TEST_F(MonitorPassesTest, OutsideChangesAreTakenInAsProfilesAndReported)
{
    m_profiles->Put(TestProfile(L"Work", L"work:8080"));
    struct Step {
        const char* What;
        ProxyProfile System;
        Messages Expected;
        std::wstring Active;
    };
    const Step steps[] = {
        {"settings no profile holds", TestProfile(L"", L"cafe:1"),
         {{WM_PROFILE_ADDED, L"Unnamed Proxy"}, {WM_PROFILE_ACTIVATED, L"Unnamed Proxy"}}, L"Unnamed Proxy"},
        {"nothing changed", TestProfile(L"", L"cafe:1"), {}, L"Unnamed Proxy"},
        {"other settings no profile holds", TestProfile(L"", L"hotel:1", 0x7),
         {{WM_PROFILE_ADDED, L"Unnamed Proxy 1"}, {WM_PROFILE_ACTIVATED, L"Unnamed Proxy 1"}}, L"Unnamed Proxy 1"},
        {"another profile's settings", TestProfile(L"", L"work:8080"), {{WM_PROFILE_ACTIVATED, L"Work"}}, L"Work"},
        {"settings taken in before", TestProfile(L"", L"cafe:1"), {{WM_PROFILE_ACTIVATED, L"Unnamed Proxy"}},
         L"Unnamed Proxy"},
        {"only the discovery flags differ", [] {
             ProxyProfile p = TestProfile(L"", L"cafe:1");
             p.AutoDiscoveryFlags = 0x10;
             return p;
         }(),
         {}, L"Unnamed Proxy"},
    };
    m_passes->RunPass();
    m_window.Take(*m_profiles);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        ASSERT_TRUE(OutsideSettings::Write(step.System));
        EXPECT_EQ(m_passes->RunPass(), MonitorPasses::Outcome::SettingsTracked);
        EXPECT_EQ(m_window.Take(*m_profiles), step.Expected);
        EXPECT_EQ(m_snapshot->Current().Name, step.Active);
    }
    EXPECT_EQ(m_profiles->Find(L"Unnamed Proxy 1")->ProxyServer, L"hotel:1");
    EXPECT_EQ(m_profiles->Find(L"Unnamed Proxy 1")->ConnectionFlags, 0x7u);
}

TEST_F(MonitorPassesTest, RemovingTheActiveProfileBringsTheSettingsBackAsAnUnnamedOne)
{
    m_profiles->Put(TestProfile(L"Unnamed Proxy", L"taken:1"));
    m_profiles->Put(TestProfile(L"Work", L"work:8080"));
    ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"work:8080")));
    m_passes->RunPass();
    ASSERT_EQ(m_snapshot->Current().Name, L"Work");
    m_window.Take(*m_profiles);

    m_profiles->Remove(L"Work");
    m_passes->RunPass();
    EXPECT_EQ(m_window.Take(*m_profiles),
              (Messages{{WM_PROFILE_ADDED, L"Unnamed Proxy 1"}, {WM_PROFILE_ACTIVATED, L"Unnamed Proxy 1"}}));
    EXPECT_EQ(m_profiles->Find(L"Unnamed Proxy 1")->ProxyServer, L"work:8080");
    EXPECT_EQ(m_snapshot->Current().Name, L"Unnamed Proxy 1");
    m_passes->RunPass();
    EXPECT_TRUE(m_window.Take(*m_profiles).empty());
}

TEST_F(MonitorPassesTest, NothingIsPostedWithoutANotifyWindowButProfilesAreStillTakenIn)
{
    m_notifier->SetWindow(nullptr);
    ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"cafe:1")));
    m_passes->RunPass();
    m_notifier->SetWindow(m_window.Get());
    EXPECT_TRUE(m_window.Take(*m_profiles).empty());
    EXPECT_EQ(m_profiles->Find(L"Unnamed Proxy")->ProxyServer, L"cafe:1");
    EXPECT_EQ(m_snapshot->Current().Name, L"Unnamed Proxy");
}

} // namespace
