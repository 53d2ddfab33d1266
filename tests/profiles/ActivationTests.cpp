#include "profiles/ProfileList.h"
#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

class ActivationTest : public testing::Test {
protected:
    void SetUp() override
    {
        WinInetControl::Reset();
        ProfileListOptions options;
        options.StorePath = m_folder.File(L"proxies.kpp");
        options.Monitor = MonitorStart::DontStart;
        options.Import = ConnectionImport::Skip;
        m_list = std::make_unique<ProfileList>(options);
    }
    void TearDown() override { WinInetControl::Reset(); }

    ProxyProfile Stored(const std::wstring& name, std::uint32_t flags, std::uint32_t discovery = 0)
    {
        ProxyProfile profile;
        profile.Name = name;
        profile.ConnectionFlags = flags;
        profile.AutoDiscoveryFlags = discovery;
        return profile;
    }

    TempFolder m_folder;
    std::unique_ptr<ProfileList> m_list;
};

TEST_F(ActivationTest, SendsTheFiveOptionsInOrderThenBothNotifications)
{
    struct Case {
        ProxyProfile Profile;
        std::wstring Options;
    };
    ProxyProfile full = Stored(L"Full", 0xF, 0x10);
    full.AutoConfigUrl = L"http://wpad/p.pac";
    full.ProxyBypass = L"*.corp;<local>";
    full.ProxyServer = L"http=p:8080;https=p:8080;ftp=;gopher=;socks=;";
    ProxyProfile urlWithoutFlag = Stored(L"UrlWithoutFlag", 0x3);
    urlWithoutFlag.AutoConfigUrl = L"http://ignored/p.pac";
    const Case cases[] = {
        {full, L"4=\"http://wpad/p.pac\" 5=0x11 1=0xF 3=\"*.corp;<local>\" 2=\"http=p:8080;https=p:8080;ftp=;gopher=;socks=;\""},
        {urlWithoutFlag, L"4=(null) 5=0x1 1=0x3 3=(null) 2=(null)"},
        {Stored(L"FlagWithoutUrl", 0x5), L"4=\"\" 5=0x1 1=0x5 3=(null) 2=(null)"},
        {Stored(L"OtherBitsPassThrough", 0x41, 0x24), L"4=(null) 5=0x25 1=0x41 3=(null) 2=(null)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Profile.Name));
        WinInetControl::ClearCalls();
        m_list->Put(c.Profile);
        m_list->Activate(c.Profile.Name);
        const std::vector<std::wstring> expected = {L"SetOption 75 conn=(null) " + c.Options, L"SetOption 39",
                                                    L"SetOption 37"};
        EXPECT_EQ(WinInetControl::Calls(), expected);
    }
}

TEST_F(ActivationTest, ApplyingTwiceSendsEverythingTwiceAndUnknownNamesNothing)
{
    m_list->Put(Stored(L"A", 0x3));
    m_list->Activate(L"A");
    m_list->Activate(L"A");
    EXPECT_EQ(WinInetControl::Calls().size(), 6u);
    WinInetControl::ClearCalls();
    m_list->Put(Stored(L"", 0x3));  // the entry every load adds, never shown and never applied
    m_list->Activate(L"a");
    m_list->Activate(L"");
    EXPECT_TRUE(WinInetControl::Calls().empty());
}

TEST_F(ActivationTest, StoringAnEditReplacesTheOldEntryAndAppliesOnlyAnActiveProfile)
{
    struct Case {
        const char* What;
        EditedProfileWas Was;
        std::wstring NewName;
        std::size_t Applied;
    } cases[] = {
        {"active, renamed", EditedProfileWas::Active, L"Renamed", 1},
        {"active, same name", EditedProfileWas::Active, L"Old", 1},
        {"inactive, renamed", EditedProfileWas::Inactive, L"Renamed", 0},
        {"inactive, same name", EditedProfileWas::Inactive, L"Old", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SetUp();
        m_list->Put(Stored(L"Old", 0x1));
        WinInetControl::ClearCalls();
        ProxyProfile edited = Stored(c.NewName, 0x3);
        edited.ProxyServer = L"edited:1";
        m_list->StoreEdited(L"Old", edited, c.Was);

        EXPECT_EQ(m_list->Find(c.NewName), std::optional<ProxyProfile>(edited));
        EXPECT_EQ(m_list->Count(), 1u);
        EXPECT_EQ(WinInetControl::Calls().size(), c.Applied * 3);
        // An active profile's edit is the snapshot at once, so the monitor sees no change.
        EXPECT_EQ(m_list->CurrentSettings() == edited, c.Applied != 0);
    }
}

TEST(EventLock, TheHolderTakingItAgainThrowsInsteadOfWaitingForever)
{
    EventLock lock;
    lock.Lock();
    EXPECT_THROW(lock.Lock(), std::logic_error);
    auto other = std::async(std::launch::async, [&lock] {
        EventLockGuard guard(lock);
        return true;
    });
    EXPECT_EQ(other.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout) << "another thread waits";
    lock.Unlock();
    EXPECT_TRUE(other.get());
}

// What was applied reads back exactly, a null string as null and an empty one as empty.
TEST_F(ActivationTest, AppliedOptionsReadBackExactly)
{
    ProxyProfile profile = Stored(L"P", 0x7, 0x10);
    profile.ProxyServer = L"socks=\u00fc:1080";
    m_list->Put(profile);
    m_list->Activate(L"P");

    INTERNET_PER_CONN_OPTIONW options[5] = {};
    const DWORD ids[] = {INTERNET_PER_CONN_AUTOCONFIG_URL, INTERNET_PER_CONN_AUTODISCOVERY_FLAGS, INTERNET_PER_CONN_FLAGS,
                         INTERNET_PER_CONN_PROXY_BYPASS, INTERNET_PER_CONN_PROXY_SERVER};
    for (int i = 0; i < 5; ++i)
        options[i].dwOption = ids[i];
    INTERNET_PER_CONN_OPTION_LISTW list = {sizeof(list), nullptr, 5, 0, options};
    DWORD size = sizeof(list);
    ASSERT_TRUE(InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size));
    ASSERT_NE(options[0].Value.pszValue, nullptr);
    EXPECT_STREQ(options[0].Value.pszValue, L"");
    EXPECT_GE(GlobalSize(options[0].Value.pszValue), sizeof(wchar_t)) << "strings come from GlobalAlloc";
    EXPECT_EQ(options[1].Value.dwValue, 0x11u);
    EXPECT_EQ(options[2].Value.dwValue, 0x7u);
    EXPECT_EQ(options[3].Value.pszValue, nullptr);
    ASSERT_NE(options[4].Value.pszValue, nullptr);
    EXPECT_STREQ(options[4].Value.pszValue, L"socks=\u00fc:1080");
    GlobalFree(options[0].Value.pszValue);
    GlobalFree(options[4].Value.pszValue);
}

std::vector<std::wstring> WindowTexts(HWND window)
{
    std::vector<std::wstring> texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM param) -> BOOL {
            wchar_t text[512] = {};
            GetWindowTextW(child, text, 512);
            reinterpret_cast<std::vector<std::wstring>*>(param)->emplace_back(text);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

HWND WaitForTopLevel(const wchar_t* caption, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (const HWND window = FindWindowW(L"#32770", caption))
            return window;
        Sleep(20);
    }
    return nullptr;
}

// The box runs a modal loop on the thread that shows it: it must hold neither the list lock nor
// the settings lock, or whatever that loop dispatches (the main view's handlers) could wait on them.
TEST_F(ActivationTest, FailureBoxNamesTheProfileAndHoldsNoLock)
{
    struct Case {
        const char* What;
        std::function<void(ProfileList&, const ProxyProfile&)> Apply;
    } cases[] = {
        {"activation", [](ProfileList& list, const ProxyProfile& office) { list.Activate(office.Name); }},
        {"edit of the active profile",
         [](ProfileList& list, const ProxyProfile& office) {
             list.StoreEdited(office.Name, office, EditedProfileWas::Active);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SetUp();
        const ProxyProfile office = Stored(L"Office", 0x3);
        m_list->Put(office);
        WinInetControl::SetFailing(true);
        auto activation = std::async(std::launch::async, [&] { c.Apply(*m_list, office); });

        const HWND box = WaitForTopLevel(L"Gatewarden", std::chrono::seconds(20));
        ASSERT_NE(box, nullptr) << "no failure box appeared";
        const std::vector<std::wstring> texts = WindowTexts(box);
        EXPECT_NE(std::find(texts.begin(), texts.end(), L"Failed to activate/modify \"Office\" proxy"), texts.end());

        // While the box is up, other users of the list must not wait for it.
        auto lookup = std::async(std::launch::async, [this] {
            (void)m_list->CurrentSettings();
            return m_list->Find(L"Office").has_value();
        });
        const bool answered = lookup.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_EQ(activation.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_TRUE(answered) << "a lock stayed held while the box was shown";
        if (answered) {
            EXPECT_TRUE(lookup.get());
        }

        const std::vector<std::wstring> calls = WinInetControl::Calls();
        ASSERT_EQ(calls.size(), 1u) << "no notifications after a failed write: " << testing::PrintToString(calls);
        EXPECT_NE(calls[0].find(L"-> failed"), std::wstring::npos);
    }
}

} // namespace
