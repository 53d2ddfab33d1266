#include "OutsideSettings.h"
#include "support/SavedRegistryKey.h"
#include "sysproxy/SystemSettings.h"

#include <set>
#include <tuple>

namespace {

constexpr const wchar_t* kConnections = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
using RegistryValue = std::tuple<std::wstring, DWORD, std::vector<BYTE>>;

// The Connections key of this prefix is the test's for its run; whatever was there comes back.
class SystemSettingsTest : public testing::Test {
protected:
    void SetUp() override { WinInetControl::Reset(); }
    void TearDown() override { WinInetControl::Reset(); }

    static std::vector<RegistryValue> ConnectionValues()
    {
        std::vector<RegistryValue> values;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kConnections, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return values;
        for (DWORD index = 0;; ++index) {
            wchar_t name[512];
            DWORD chars = 512, type = 0;
            BYTE data[256];
            DWORD size = sizeof(data);
            if (RegEnumValueW(key, index, name, &chars, nullptr, &type, data, &size) != ERROR_SUCCESS)
                break;
            values.emplace_back(std::wstring(name, chars), type, std::vector<BYTE>(data, data + size));
        }
        RegCloseKey(key);
        return values;
    }

    // The stored profiles, then the system's connections and the first snapshot taken in, as at start-up.
    void Import(const std::vector<ProxyProfile>& stored)
    {
        m_profiles = std::make_unique<ProfileCollection>();
        m_snapshot = std::make_unique<SettingsSnapshot>();
        for (const ProxyProfile& profile : stored)
            m_profiles->Put(profile);
        ImportConnections(*m_profiles, *m_snapshot);
    }

    SavedRegistryKey m_connections{kConnections};
    std::unique_ptr<ProfileCollection> m_profiles;
    std::unique_ptr<SettingsSnapshot> m_snapshot;
};

TEST_F(SystemSettingsTest, CaptureReadsTheLanOptionsAndTheScriptOnlyWithItsFlag)
{
    struct Case {
        const char* What;
        ProxyProfile System;
        ProxyProfile Expected;
    };
    ProxyProfile full = TestProfile(L"", L"http=p:8080;https=p:8080;ftp=;gopher=;socks=;", 0xF);
    full.AutoConfigUrl = L"http://wpad/proxy.pac";
    full.ProxyBypass = L"*.corp;<local>";
    full.AutoDiscoveryFlags = 0x11;
    ProxyProfile scriptWithoutFlag = TestProfile(L"", L"", 0x3);
    scriptWithoutFlag.AutoConfigUrl = L"http://ignored/proxy.pac";
    ProxyProfile otherBits = TestProfile(L"", L"proxy:3128", 0x43);
    otherBits.AutoDiscoveryFlags = 0x24;
    // Only the five setting fields are the system's.
    const auto KeepingTheRest = [](ProxyProfile profile) {
        profile.Name = L"kept";
        profile.NdisName = L"eth0";
        profile.AutoIp = L"10.0.0.1";
        return profile;
    };
    const Case cases[] = {
        {"every option", full, full},
        {"script address without its flag", scriptWithoutFlag, TestProfile(L"", L"", 0x3)},
        {"null strings read as empty", TestProfile(L"", L"", 0x1), TestProfile(L"", L"", 0x1)},
        {"other bits pass through", otherBits, otherBits},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_TRUE(OutsideSettings::Write(c.System));
        ProxyProfile captured = KeepingTheRest({});
        CaptureSystemSettings(captured);
        EXPECT_EQ(captured, KeepingTheRest(c.Expected));
    }
}

TEST_F(SystemSettingsTest, ImportAddsEachStoredConnectionOnceSkipsSavedLegacySettingsAndNeverWritesTheSystem)
{
    const ProxyProfile held = TestProfile(L"Unnamed Proxy", L"held:1");
    for (const wchar_t* legacy :
         {L"SavedLegacySettings", L"savedlegacysettings", L"SAVEDLEGACYSETTINGS", L"sAvEdLeGaCySeTtInGs"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(legacy)));
        const struct {
            std::wstring Name;
            DWORD Type;
            ProxyProfile System;
        } connections[] = {
            {L"Office VPN", REG_BINARY, TestProfile(L"", L"office:8080")},
            {L"Same As Office", REG_BINARY, TestProfile(L"", L"office:8080")},
            {L"Held By A Profile", REG_BINARY, held},
            {L"Home DSL", REG_BINARY, TestProfile(L"", L"home:3128", 0x7)},
            {legacy, REG_BINARY, TestProfile(L"", L"legacy:1")},
            {L"SAVEDLEGACYSETTINGS_", REG_BINARY, TestProfile(L"", L"legacy-like:1")},  // only the name itself is skipped
            {L"Text Value", REG_SZ, TestProfile(L"", L"text:1")},
            {L"Number Value", REG_DWORD, TestProfile(L"", L"number:1")},
        };
        RegDeleteTreeW(HKEY_CURRENT_USER, kConnections);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const auto& connection : connections) {
            std::wstring lower = connection.Name;
            CharLowerW(lower.data());  // connection names are not case sensitive
            ASSERT_TRUE(OutsideSettings::Write(connection.System, lower.c_str()));
            // After the write, which stores a binary value under the connection's name as WinINet does.
            const BYTE data[] = {0x46, 0, 0, 0, 0x07, 0, 0, 0};
            RegSetValueExW(key, connection.Name.c_str(), 0, connection.Type, data, sizeof(data));
        }
        RegCloseKey(key);
        const std::vector<RegistryValue> before = ConnectionValues();
        WinInetControl::ClearCalls();

        Import({held});

        std::set<std::wstring> servers;
        std::vector<std::wstring> names;
        m_profiles->ListNames(names);
        for (const std::wstring& name : names)
            servers.insert(m_profiles->Find(name)->ProxyServer);
        const std::set<std::wstring> expectedServers = {L"held:1", L"office:8080", L"home:3128", L"legacy-like:1"};
        EXPECT_EQ(servers, expectedServers);
        EXPECT_EQ(names.size(), expectedServers.size());
        EXPECT_TRUE(m_profiles->Find(L"Unnamed Proxy 1").has_value());
        EXPECT_TRUE(m_profiles->Find(L"Unnamed Proxy 3").has_value());
        EXPECT_EQ(m_profiles->Find(L"Unnamed Proxy")->ProxyServer, L"held:1");
        EXPECT_EQ(ConnectionValues(), before);
        EXPECT_TRUE(WinInetControl::Calls().empty());
    }
}

TEST_F(SystemSettingsTest, FirstSnapshotNamesTheStoredProfileHoldingTheLanSettings)
{
    struct Case {
        const char* What;
        ProxyProfile Lan;
        std::wstring ExpectedName;
    };
    ProxyProfile sameSettingsOtherRule = TestProfile(L"", L"work:8080");
    sameSettingsOtherRule.AutoDiscoveryFlags = 0x10;
    const Case cases[] = {
        {"a stored profile holds them", TestProfile(L"", L"work:8080"), L"Work"},
        {"discovery flags take no part", sameSettingsOtherRule, L"Work"},
        {"the first in name order wins", TestProfile(L"", L"twice:1"), L"A Twice"},
        {"no profile holds them", TestProfile(L"", L"elsewhere:1"), L""},
        {"server text is compared exactly", TestProfile(L"", L"WORK:8080"), L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_TRUE(OutsideSettings::Write(c.Lan));
        Import({TestProfile(L"Work", L"work:8080"), TestProfile(L"B Twice", L"twice:1"), TestProfile(L"A Twice", L"twice:1")});
        const ProxyProfile snapshot = m_snapshot->Current();
        EXPECT_EQ(snapshot.Name, c.ExpectedName);
        EXPECT_EQ(snapshot.ProxyServer, c.Lan.ProxyServer);
        EXPECT_EQ(snapshot.AutoDiscoveryFlags, c.Lan.AutoDiscoveryFlags);
    }
}

} // namespace
