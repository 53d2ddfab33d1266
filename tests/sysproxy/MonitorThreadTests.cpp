#include "OutsideSettings.h"
#include "sysproxy/ChangeSignals.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <map>
#include <optional>

namespace {

using namespace std::chrono_literals;
using Messages = std::vector<std::pair<UINT, std::wstring>>;
using MonitorThreadTest = RunningMonitorTest;
using ChangeSignalsTest = RunningMonitorTest;

// The thread runs the passes (whose rules are MonitorPassesTest's) and posts what they find.
TEST_F(MonitorThreadTest, TheThreadReportsOutsideChangesOnItsNextPass)
{
    Start(20, {TestProfile(L"Direct", L"", 0x1), TestProfile(L"Work", L"work:8080")});
    ASSERT_TRUE(m_watch.WaitForMore(2));
    EXPECT_TRUE(m_window.Take(m_list->Profiles()).empty());
    ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"cafe:1")));
    // One pass may have read the settings just before they changed.
    ASSERT_TRUE(m_watch.WaitForMore(2));
    EXPECT_EQ(m_window.Take(m_list->Profiles()),
              (Messages{{WM_PROFILE_ADDED, L"Unnamed Proxy"}, {WM_PROFILE_ACTIVATED, L"Unnamed Proxy"}}));
}

// The thread wakes only for the system's notices, a change of the profiles and the full passes:
// with no full pass, quiet periods wake it not once and ask WinINet nothing. A change that another
// program makes is still taken in by the pass on the next beat after its notice, and so is a
// profile removed beside the thread.
TEST_F(MonitorThreadTest, QuietPeriodsWakeNothingAndAnOutsideChangeIsTakenInByTheNextPass)
{
    constexpr int kNoFullPass = 1000000;
    Start(20, {TestProfile(L"Direct", L"", 0x1)}, kNoFullPass);
    ASSERT_TRUE(m_watch.WaitForMore(5));  // the first reading of the adapters
    Sleep(200);
    const int queries = WinInetControl::Queries();
    const std::uint64_t wakes = m_watch.Wakes();
    Sleep(1000);  // fifty periods
    EXPECT_EQ(m_watch.Wakes(), wakes);
    EXPECT_EQ(WinInetControl::Queries(), queries);
    EXPECT_TRUE(m_window.Take(m_list->Profiles()).empty());
    ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"cafe:1")));
    ASSERT_TRUE(m_watch.WaitForMore(1));
    EXPECT_EQ(m_window.Take(m_list->Profiles()),
              (Messages{{WM_PROFILE_ADDED, L"Unnamed Proxy"}, {WM_PROFILE_ACTIVATED, L"Unnamed Proxy"}}));
    ASSERT_TRUE(m_watch.WaitForMore(1));  // the pass after its own addition
    m_list->Profiles().Remove(L"Unnamed Proxy");
    ASSERT_TRUE(m_watch.WaitForMore(1));
    EXPECT_EQ(m_window.Take(m_list->Profiles()),
              (Messages{{WM_PROFILE_ADDED, L"Unnamed Proxy"}, {WM_PROFILE_ACTIVATED, L"Unnamed Proxy"}}));
}

// Waits until the WinINet stand-in logs a line; false when it did not within ten seconds.
bool WaitForCall(const std::wstring& line)
{
    for (int tries = 0; tries < 1000; ++tries, Sleep(10)) {
        const std::vector<std::wstring> calls = WinInetControl::Calls();
        if (std::find(calls.begin(), calls.end(), line) != calls.end())
            return true;
    }
    return false;
}

// A thread still inside a WinINet call when the list goes keeps the list's state alive through
// its own handle: when the call returns it finishes its pass on that state (here it takes in the
// changed settings as a profile), then sees the stop and ends normally. Destruction neither waits
// for it nor lets it report anything afterwards.
// The first look reports everything; then only a write under WinINet's key reports the settings,
// once, and quiet looks report no address. Wine's IP helper never ends its address wait: the
// notice there is Winsock's.
TEST_F(ChangeSignalsTest, ReportsTheSettingsOnceAfterAWriteAndNoAddressWhileNoneChanges)
{
    ChangeSignals signals;
    EXPECT_EQ(signals.Notices().size(), 2u) << "the settings' notice and an address notice to wait on";
    const SystemChanges first = signals.Take();
    EXPECT_TRUE(first.Settings && first.Addresses && first.AddressNotices);
    for (int look = 1; look <= 8; ++look) {
        SCOPED_TRACE(look);
        const SystemChanges quiet = signals.Take();
        EXPECT_FALSE(quiet.Settings || quiet.Addresses);
    }
    ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"cafe:1")));
    EXPECT_TRUE(signals.Take().Settings);
    EXPECT_FALSE(signals.Take().Settings);
}

TEST_F(MonitorThreadTest, DestroyingTheListEndsQuicklyAndTheThreadNeverTouchesItAfterwards)
{
    for (const bool heldInWinInet : {false, true}) {
        SCOPED_TRACE(heldInWinInet ? "thread inside a WinINet call that hangs" : "thread between passes");
        m_list.reset();
        WinInetControl::Reset();
        Start(20, {TestProfile(L"Direct", L"", 0x1)});
        ASSERT_TRUE(m_watch.WaitForMore(1));
        const HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, m_watch.ThreadId());
        ASSERT_NE(thread, nullptr);
        const std::wstring gateName = L"Local\\GatewardenTestsGate" + std::to_wstring(GetCurrentProcessId());
        const HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, gateName.c_str());
        if (heldInWinInet) {
            WinInetControl::HoldQueries(gateName);
            ASSERT_TRUE(WaitForCall(L"QueryOption 75 held"));
            ASSERT_TRUE(OutsideSettings::Write(TestProfile(L"", L"changed:1")));
        }

        const auto before = std::chrono::steady_clock::now();
        m_list.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
        const std::uint64_t passes = m_watch.Passes();
        SetEvent(gate);
        EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0) << "the thread did not end";
        DWORD exitCode = STILL_ACTIVE;
        GetExitCodeThread(thread, &exitCode);
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(m_watch.Passes(), passes) << "a pass was reported after the list was destroyed";
        MSG msg;
        EXPECT_FALSE(PeekMessageW(&msg, m_window.Get(), WM_PROFILE_CHANGED, WM_PROFILE_ACTIVATED, PM_REMOVE))
            << "a message was posted after the list was destroyed";
        CloseHandle(gate);
        CloseHandle(thread);
    }
}

// The entry that every load of a complete store adds has the empty name, no flags and no strings:
// exactly what a failed query leaves. Neither it nor such a reading may grow the list.
TEST_F(MonitorThreadTest, EmptyOrFailedReadingsOfTheSettingsAddNoProfile)
{
    enum class Query { Works, FailsFromStart, FailsAfterStart };
    struct Case {
        const char* What;
        ProxyProfile Lan;
        Query Failing;
        std::wstring Active;
    };
    const Case cases[] = {
        {"LAN options at flags 0", TestProfile(L"", L"", 0), Query::Works, L""},
        {"query failing from the start", TestProfile(L"", L"a:1"), Query::FailsFromStart, L""},
        {"query failing once A is active", TestProfile(L"", L"a:1"), Query::FailsAfterStart, L"A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        m_list.reset();
        WinInetControl::Reset();
        ASSERT_TRUE(OutsideSettings::Write(c.Lan));
        WinInetControl::SetQueryFailing(c.Failing == Query::FailsFromStart);
        Start(1, {TestProfile(L"A", L"a:1"), TestProfile(L"B", L"b:1")});
        WinInetControl::SetQueryFailing(c.Failing != Query::Works);
        ASSERT_EQ(m_list->Profiles().Count(), 3u);
        ASSERT_TRUE(m_watch.WaitForMore(50));
        EXPECT_EQ(m_list->Profiles().Count(), 3u);
        EXPECT_EQ(m_list->Snapshot().Current().Name, c.Active);
        EXPECT_EQ(m_window.Take(m_list->Profiles()), Messages{});
    }
}

// Slot profiles' servers name their slot: a torn copy shows.
bool Consistent(const ProxyProfile& profile)
{
    return profile.Name.rfind(L"Slot ", 0) != 0 || profile.ProxyServer.rfind(L"slot" + profile.Name.substr(5) + L":", 0) == 0;
}

TEST_F(MonitorThreadTest, ActivatingEditingAndRemovingBesideTheThreadNeverDeadlocksOrTearsAProfile)
{
    constexpr int kSlots = 6;
    Start(1, {TestProfile(L"Direct", L"", 0x1)});
    ASSERT_TRUE(m_watch.WaitForMore(1));
    const std::uint64_t passesBefore = m_watch.Passes();

    std::map<std::wstring, ProxyProfile> expected;
    auto worker = std::async(std::launch::async, [&] {
        const auto end = std::chrono::steady_clock::now() + 4s;
        for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
            // One profile per slot, its server naming its slot and this round.
            const std::wstring slot = std::to_wstring(round % kSlots);
            const ProxyProfile next = TestProfile(L"Slot " + slot, L"slot" + slot + L":" + std::to_wstring(round));
            switch ((round / kSlots) % 5) {
            case 0:
                m_list->Profiles().Put(next);
                expected[next.Name] = next;
                break;
            case 1:
                static_cast<void>(m_list->Activate(next.Name));
                break;
            case 2:
                static_cast<void>(m_list->StoreEdited(next.Name, next, EditedProfileWas::Active));
                expected[next.Name] = next;
                break;
            case 3:
                OutsideSettings::Write(TestProfile(L"", L"outside:" + std::to_wstring(round)));
                break;
            default:
                m_list->Profiles().Remove(next.Name);
                expected.erase(next.Name);
                break;
            }
        }
    });

    // A deadlock would hang the test run: give up loudly instead.
    const auto abandon = [](const char* why) {
        ADD_FAILURE() << why;
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    };
    const auto started = std::chrono::steady_clock::now();
    auto lastProgress = started;
    std::uint64_t lastPasses = passesBefore;
    std::size_t messages = 0;
    while (worker.wait_for(1ms) != std::future_status::ready) {
        MSG msg;
        while (PeekMessageW(&msg, m_window.Get(), WM_PROFILE_CHANGED, WM_PROFILE_ACTIVATED, PM_REMOVE)) {
            ++messages;
            if (const auto profile = m_list->Profiles().FindById(static_cast<std::uint64_t>(msg.wParam))) {
                EXPECT_TRUE(Consistent(*profile)) << testing::PrintToString(profile->Name);
            }
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_watch.Passes() != lastPasses) {
            lastPasses = m_watch.Passes();
            lastProgress = now;
        } else if (now - lastProgress > 15s) {
            abandon("the monitor thread made no pass for 15 s");
        }
        if (now - started > 30s)
            abandon("the editing thread did not finish");
    }
    // Still alive after the storm.
    ASSERT_TRUE(m_watch.WaitForMore(3, false, 15s));
    EXPECT_GT(m_watch.Passes() - passesBefore, 100u);
    EXPECT_GT(messages, 0u);

    std::vector<std::wstring> names;
    m_list->Profiles().ListNames(names);
    for (const std::wstring& name : names) {
        const auto profile = m_list->Profiles().Find(name);
        ASSERT_TRUE(profile.has_value());
        EXPECT_TRUE(Consistent(*profile)) << testing::PrintToString(name);
    }
    for (const auto& [name, profile] : expected)
        EXPECT_EQ(m_list->Profiles().Find(name), std::optional<ProxyProfile>(profile)) << testing::PrintToString(name);
}

} // namespace
