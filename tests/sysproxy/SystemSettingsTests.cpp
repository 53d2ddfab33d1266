#include "OutsideSettings.h"
#include "profiles/ProfileList.h"
#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"
#include "sysproxy/SystemSettings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <tuple>

namespace {

using OutsideSettings::Settings;

constexpr const wchar_t* kConnections = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr const wchar_t* kBackup = L"Software\\Gatewarden Tests\\ConnectionsBackup";

using RegistryValue = std::tuple<std::wstring, DWORD, std::vector<BYTE>>;

// The Connections key of this prefix is the test's for its run; whatever was there comes back.
class SystemSettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        WinInetControl::Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kBackup);
        HKEY existing = nullptr;
        m_hadConnections = RegOpenKeyExW(HKEY_CURRENT_USER, kConnections, 0, KEY_READ, &existing) == ERROR_SUCCESS;
        if (m_hadConnections) {
            HKEY backup = nullptr;
            RegCreateKeyExW(HKEY_CURRENT_USER, kBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &backup, nullptr);
            RegCopyTreeW(existing, nullptr, backup);
            RegCloseKey(backup);
            RegCloseKey(existing);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, kConnections);
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kConnections);
        if (m_hadConnections) {
            HKEY backup = nullptr;
            HKEY restored = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, kBackup, 0, KEY_READ, &backup);
            RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &restored, nullptr);
            RegCopyTreeW(backup, nullptr, restored);
            RegCloseKey(restored);
            RegCloseKey(backup);
            RegDeleteTreeW(HKEY_CURRENT_USER, kBackup);
        }
        WinInetControl::Reset();
    }

    static void AddConnectionValue(const std::wstring& name, DWORD type = REG_BINARY)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const BYTE data[] = {0x46, 0, 0, 0, 0x07, 0, 0, 0};
        RegSetValueExW(key, name.c_str(), 0, type, data, sizeof(data));
        RegCloseKey(key);
    }

    static std::vector<RegistryValue> ConnectionValues()
    {
        std::vector<RegistryValue> values;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kConnections, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return values;
        for (DWORD index = 0;; ++index) {
            wchar_t name[512];
            DWORD chars = 512;
            DWORD type = 0;
            BYTE data[256];
            DWORD size = sizeof(data);
            if (RegEnumValueW(key, index, name, &chars, nullptr, &type, data, &size) != ERROR_SUCCESS)
                break;
            values.emplace_back(std::wstring(name, chars), type, std::vector<BYTE>(data, data + size));
        }
        RegCloseKey(key);
        return values;
    }

    // A list built the way the program builds it at start, from a store that holds these.
    std::unique_ptr<ProfileList> StartList(const std::vector<ProxyProfile>& stored)
    {
        ProfileListOptions options;
        options.StorePath = m_folder.File(L"proxies.kpp");
        options.Monitor = MonitorStart::DontStart;
        EXPECT_TRUE(OutsideSettings::SaveStore(options.StorePath, stored));
        return std::make_unique<ProfileList>(options);
    }

    TempFolder m_folder;
    bool m_hadConnections = false;
};

TEST_F(SystemSettingsTest, CaptureReadsTheLanOptionsAndTheScriptOnlyWithItsFlag)
{
    struct Case {
        const char* What;
        ProxyProfile System;
        ProxyProfile Expected;
    };
    ProxyProfile full = Settings(L"", L"http=p:8080;https=p:8080;ftp=;gopher=;socks=;", 0xF);
    full.AutoConfigUrl = L"http://wpad/proxy.pac";
    full.ProxyBypass = L"*.corp;<local>";
    full.AutoDiscoveryFlags = 0x11;
    ProxyProfile scriptWithoutFlag = Settings(L"", L"", 0x3);
    scriptWithoutFlag.AutoConfigUrl = L"http://ignored/proxy.pac";
    ProxyProfile otherBits = Settings(L"", L"proxy:3128", 0x43);
    otherBits.AutoDiscoveryFlags = 0x24;
    const Case cases[] = {
        {"every option", full, full},
        {"script address without its flag", scriptWithoutFlag, Settings(L"", L"", 0x3)},
        {"null strings read as empty", Settings(L"", L"", 0x1), Settings(L"", L"", 0x1)},
        {"other bits pass through", otherBits, otherBits},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_TRUE(OutsideSettings::Write(c.System));
        ProxyProfile captured;
        captured.Name = L"kept";
        captured.NdisName = L"eth0";
        captured.AutoIp = L"10.0.0.1";
        CaptureSystemSettings(captured);
        ProxyProfile expected = c.Expected;
        expected.Name = L"kept";
        expected.NdisName = L"eth0";
        expected.AutoIp = L"10.0.0.1";
        EXPECT_EQ(captured, expected);
    }
}

TEST_F(SystemSettingsTest, ImportAddsEachStoredConnectionOnceAndNeverWritesTheSystem)
{
    const ProxyProfile held = Settings(L"Unnamed Proxy", L"held:1");
    AddConnectionValue(L"Office VPN");
    AddConnectionValue(L"Same As Office");
    AddConnectionValue(L"Held By A Profile");
    AddConnectionValue(L"Home DSL");
    AddConnectionValue(L"SavedLegacySettings");
    AddConnectionValue(L"SAVEDLEGACYSETTINGS_");  // only the exact name is skipped
    AddConnectionValue(L"Text Value", REG_SZ);
    AddConnectionValue(L"Number Value", REG_DWORD);
    ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"office:8080"), L"office vpn"));
    ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"office:8080"), L"same as office"));
    ASSERT_TRUE(OutsideSettings::Write(held, L"held by a profile"));
    ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"home:3128", 0x7), L"home dsl"));
    ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"legacy:1"), L"savedlegacysettings"));
    ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"legacy-like:1"), L"savedlegacysettings_"));
    ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"text:1"), L"text value"));
    ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"number:1"), L"number value"));
    const std::vector<RegistryValue> before = ConnectionValues();
    WinInetControl::ClearCalls();

    const auto list = StartList({held});

    std::set<std::wstring> servers;
    std::vector<std::wstring> names;
    list->ListNames(names);
    for (const std::wstring& name : names)
        servers.insert(list->Find(name)->ProxyServer);
    const std::set<std::wstring> expectedServers = {L"held:1", L"office:8080", L"home:3128", L"legacy-like:1"};
    EXPECT_EQ(servers, expectedServers);
    EXPECT_EQ(names.size(), expectedServers.size());
    EXPECT_TRUE(list->Find(L"Unnamed Proxy 1").has_value());
    EXPECT_TRUE(list->Find(L"Unnamed Proxy 3").has_value());
    EXPECT_EQ(list->Find(L"Unnamed Proxy")->ProxyServer, L"held:1");
    EXPECT_EQ(ConnectionValues(), before);
    EXPECT_TRUE(WinInetControl::Calls().empty());
}

TEST_F(SystemSettingsTest, ImportSkipsSavedLegacySettingsInAnyCase)
{
    for (const wchar_t* name : {L"SavedLegacySettings", L"savedlegacysettings", L"SAVEDLEGACYSETTINGS", L"sAvEdLeGaCySeTtInGs"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        RegDeleteTreeW(HKEY_CURRENT_USER, kConnections);
        AddConnectionValue(name);
        ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"legacy:1"), L"savedlegacysettings"));
        ASSERT_TRUE(OutsideSettings::Write(Settings(L"", L"lan:1")));
        const auto list = StartList({Settings(L"Lan", L"lan:1")});
        std::vector<std::wstring> names;
        list->ListNames(names);
        EXPECT_EQ(names, std::vector<std::wstring>{L"Lan"});
    }
}

TEST_F(SystemSettingsTest, FirstSnapshotNamesTheStoredProfileHoldingTheLanSettings)
{
    struct Case {
        const char* What;
        ProxyProfile Lan;
        std::wstring ExpectedName;
    };
    ProxyProfile sameSettingsOtherRule = Settings(L"", L"work:8080");
    sameSettingsOtherRule.AutoDiscoveryFlags = 0x10;
    const Case cases[] = {
        {"a stored profile holds them", Settings(L"", L"work:8080"), L"Work"},
        {"discovery flags take no part", sameSettingsOtherRule, L"Work"},
        {"the first in name order wins", Settings(L"", L"twice:1"), L"A Twice"},
        {"no profile holds them", Settings(L"", L"elsewhere:1"), L""},
        {"server text is compared exactly", Settings(L"", L"WORK:8080"), L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_TRUE(OutsideSettings::Write(c.Lan));
        const auto list =
            StartList({Settings(L"Work", L"work:8080"), Settings(L"B Twice", L"twice:1"), Settings(L"A Twice", L"twice:1")});
        const ProxyProfile snapshot = list->CurrentSettings();
        EXPECT_EQ(snapshot.Name, c.ExpectedName);
        EXPECT_EQ(snapshot.ProxyServer, c.Lan.ProxyServer);
        EXPECT_EQ(snapshot.AutoDiscoveryFlags, c.Lan.AutoDiscoveryFlags);
    }
}

} // namespace
