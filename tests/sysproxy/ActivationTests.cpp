#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"
#include "support/TestProfiles.h"
#include "sysproxy/ProfileList.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

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

    static ProxyProfile Stored(const std::wstring& name, std::uint32_t flags, std::uint32_t discovery = 0)
    {
        ProxyProfile profile = TestProfile(name, L"", flags);
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
        m_list->Profiles().Put(c.Profile);
        EXPECT_FALSE(m_list->Activate(c.Profile.Name).has_value());
        const std::vector<std::wstring> expected = {L"SetOption 75 conn=(null) " + c.Options, L"SetOption 39",
                                                    L"SetOption 37"};
        EXPECT_EQ(WinInetControl::Calls(), expected);
    }
}

TEST_F(ActivationTest, ApplyingTwiceSendsEverythingTwiceAndUnknownNamesNothing)
{
    m_list->Profiles().Put(Stored(L"A", 0x3));
    EXPECT_FALSE(m_list->Activate(L"A").has_value());
    EXPECT_FALSE(m_list->Activate(L"A").has_value());
    EXPECT_EQ(WinInetControl::Calls().size(), 6u);
    WinInetControl::ClearCalls();
    m_list->Profiles().Put(Stored(L"", 0x3));  // the entry every load adds, never shown and never applied
    EXPECT_FALSE(m_list->Activate(L"a").has_value());
    EXPECT_FALSE(m_list->Activate(L"").has_value());
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
        m_list->Profiles().Put(Stored(L"Old", 0x1));
        WinInetControl::ClearCalls();
        ProxyProfile edited = Stored(c.NewName, 0x3);
        edited.ProxyServer = L"edited:1";
        EXPECT_FALSE(m_list->StoreEdited(L"Old", edited, c.Was).has_value());

        EXPECT_EQ(m_list->Profiles().Find(c.NewName), std::optional<ProxyProfile>(edited));
        EXPECT_EQ(m_list->Profiles().Count(), 1u);
        EXPECT_EQ(WinInetControl::Calls().size(), c.Applied * 3);
        // An active profile's edit is the snapshot at once, so the monitor sees no change.
        EXPECT_EQ(m_list->Snapshot().Current() == edited, c.Applied != 0);
    }
}

// What was applied reads back exactly, a null string as null and an empty one as empty.
TEST_F(ActivationTest, AppliedOptionsReadBackExactly)
{
    ProxyProfile profile = Stored(L"P", 0x7, 0x10);
    profile.ProxyServer = L"socks=\u00fc:1080";
    m_list->Profiles().Put(profile);
    EXPECT_FALSE(m_list->Activate(L"P").has_value());

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

// A refused write comes back to the caller, which shows it once it holds no lock: when the
// profile comes back, every lock is free again and no notification was sent.
TEST_F(ActivationTest, ARefusalComesBackWithEveryLockReleased)
{
    const ProxyProfile office = Stored(L"Office", 0x3);
    m_list->Profiles().Put(office);
    WinInetControl::SetFailing(true);
    EXPECT_EQ(m_list->Activate(L"Office"), std::optional<ProxyProfile>(office));
    EXPECT_EQ(m_list->StoreEdited(L"Office", office, EditedProfileWas::Active), std::optional<ProxyProfile>(office));
    // A lock this thread still held would refuse to be taken again here.
    EXPECT_NO_THROW(static_cast<void>(m_list->Snapshot().Current()));
    EXPECT_NO_THROW(static_cast<void>(m_list->Profiles().Find(L"Office")));
    const std::vector<std::wstring> calls = WinInetControl::Calls();
    ASSERT_EQ(calls.size(), 2u) << testing::PrintToString(calls);
    for (const std::wstring& call : calls)
        EXPECT_NE(call.find(L"-> failed"), std::wstring::npos);
}

} // namespace
