#include "profiles/ProxyProfile.h"
#include "support/TestProfiles.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const wchar_t* Text;
    ProxyServerParts Expected;
    const wchar_t* Summary;
};

ProxyServerParts Parts(std::array<HostPort, 5> servers, bool useOne)
{
    ProxyServerParts parts;
    parts.Servers = servers;
    parts.UseOne = useOne;
    return parts;
}

TEST(ProxyProfileServerString, ParsesAndSummarisesEveryShapeWinInetAccepts)
{
    const HostPort none;
    const ParseCase cases[] = {
        {L"proxy:8080", Parts({{{L"proxy", L"8080"}, none, none, none, none}}, false), L"http=proxy:8080;"},
        {L"HTTP=a:1;https=a:1;ftp=a:1;gopher=a:1;socks=a:1;",
         Parts({{{L"a", L"1"}, {L"a", L"1"}, {L"a", L"1"}, {L"a", L"1"}, {L"a", L"1"}}}, true), L"a:1"},
        {L"", Parts({{none, none, none, none, none}}, true), L""},
        {L"http=a;ftp=b:21", Parts({{{L"a", L""}, none, {L"b", L"21"}, none, none}}, false), L"http=a;ftp=b:21;"},
        {L"http=[::1]:80", Parts({{{L"[::1]", L"80"}, none, none, none, none}}, false), L"http=[::1]:80;"},
        {L"a:1;https=b:2", Parts({{none, {L"b", L"2"}, none, none, none}}, false), L"https=b:2;"},
        {L"socks=s:1080", Parts({{none, none, none, none, {L"s", L"1080"}}}, false), L"socks=s:1080;"},
        {L"http=a:1;http=b:2;mail=x:3", Parts({{{L"b", L"2"}, none, none, none, none}}, false), L"http=b:2;"},
        {L"hostonly", Parts({{{L"hostonly", L""}, none, none, none, none}}, false), L"http=hostonly;"},
        {L"http=;https=;ftp=;gopher=;socks=;", Parts({{none, none, none, none, none}}, true), L""},
        // Hosts all empty but one port set: the summary still shows the HTTP pair.
        {L"http=:1;https=;", Parts({{{L"", L"1"}, none, none, none, none}}, false), L":1"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "server string: " << testing::PrintToString(std::wstring(c.Text)));
        const ProxyServerParts parts = ProxyProfile::ParseServerString(c.Text);
        EXPECT_EQ(parts.Servers, c.Expected.Servers);
        EXPECT_EQ(parts.UseOne, c.Expected.UseOne);
        ProxyProfile profile;
        profile.ProxyServer = c.Text;
        EXPECT_EQ(profile.ServerSummary(), c.Summary);
    }
}

TEST(ProxyProfileServerString, BuildAlwaysWritesAllFiveTrimmedEntries)
{
    ProxyProfile profile;
    profile.BuildServerString({L" proxy:8080 ", L"proxy:8080", L"proxy:8080", L"proxy:8080", L"\tproxy:8080"});
    EXPECT_EQ(profile.ProxyServer, L"http=proxy:8080;https=proxy:8080;ftp=proxy:8080;gopher=proxy:8080;socks=proxy:8080;");
    profile.BuildServerString({L"a:1", L"", L"", L"", L""});
    EXPECT_EQ(profile.ProxyServer, L"http=a:1;https=;ftp=;gopher=;socks=;");
}

TEST(ProxyProfileSettings, SameSettingsComparesOnlyTheSystemFieldsExactly)
{
    const ProxyProfile a = TestProfile(L"A", L"http=a:1");
    ProxyProfile b = TestProfile(L"B", L"http=a:1", 0x3, L"eth0", L"10.0.0.1");
    b.AutoDiscoveryFlags = 0x10;
    EXPECT_TRUE(a.SameSettings(b));
    b.ProxyServer = L"HTTP=a:1";
    EXPECT_FALSE(a.SameSettings(b));
    b = a;
    b.ConnectionFlags = 1;
    EXPECT_FALSE(a.SameSettings(b));
    b = a;
    b.ProxyBypass = L"<local>";
    EXPECT_FALSE(a.SameSettings(b));
    b = a;
    b.AutoConfigUrl = L"http://wpad/wpad.dat";
    EXPECT_FALSE(a.SameSettings(b));
}

FieldMap ProxyForm(const wchar_t* bypass, bool bypassLocal)
{
    FieldMap form;
    form.Set(L"DISPLAY_NAME", L"Office");
    form.Set(L"USE_PROXY", true);
    form.Set(L"HHTPPROXY", L"proxy");
    form.Set(L"HHTPPROXY_PORT", L" 8080 ");
    form.Set(L"BYPASS", bypass);
    form.Set(L"BYPASS_LOCAL", bypassLocal);
    return form;
}

TEST(ProxyProfileForm, BypassLocalTokenIsAddedAndCutAsTheEditorShowsIt)
{
    struct Case {
        const wchar_t* Bypass;
        bool Local;
        const wchar_t* Stored;
    } cases[] = {
        {L"", true, L"<local>"},
        {L"a;", true, L"a;<local>"},
        {L"a", true, L"a;<local>"},
        {L"a;;b", true, L"a;;b;<local>"},
        {L"a;b", false, L"a;b"},
    };
    for (const Case& c : cases) {
        const ProxyProfile profile = ProxyProfile::FromFieldMap(ProxyForm(c.Bypass, c.Local));
        EXPECT_EQ(profile.ProxyBypass, c.Stored);
    }

    ProxyProfile stored;
    stored.ProxyBypass = L"a;<local>;b";
    FieldMap form;
    stored.ToFieldMap(form);
    EXPECT_EQ(form.Get(L"BYPASS").AsString(), L"a;;b");
    EXPECT_TRUE(form.Get(L"BYPASS_LOCAL").AsBool());

    stored.ProxyBypass = L"intranet;<local>";
    stored.ConnectionFlags = kProxyTypeDirect | kProxyTypeProxy;
    form.Clear();
    stored.ToFieldMap(form);
    EXPECT_EQ(form.Get(L"BYPASS").AsString(), L"intranet;");
    EXPECT_EQ(ProxyProfile::FromFieldMap(form).ProxyBypass, L"intranet;<local>");

    // A list holding the token twice loses the second at the first edit and then stays as it is.
    stored.ProxyBypass = L"<local>;<local>";
    for (int edit = 0; edit < 2; ++edit) {
        form.Clear();
        stored.ToFieldMap(form);
        EXPECT_EQ(form.Get(L"BYPASS").AsString(), L";");
        stored = ProxyProfile::FromFieldMap(form);
        EXPECT_EQ(stored.ProxyBypass, L";<local>");
    }
}

TEST(ProxyProfileForm, FromFieldMapBuildsFlagsServersAndRule)
{
    FieldMap form = ProxyForm(L"", true);
    form.Set(L"USE_ONE_PROXY", true);
    form.Set(L"HHTPPROXY_PORT", L"");
    form.Set(L"FTPPROXY", L"ignored");
    form.Set(L"PROXY_TYPE_AUTO_DETECT", true);
    form.Set(L"DONT_CACHE_PROXY_RESULT", true);
    form.Set(L"PROXY_AUTO_ACTIVATE", true);
    form.Set(L"NDIS_NAME", L"Intel Adapter");
    form.Set(L"AUTO_IP_1", 192);
    form.Set(L"AUTO_IP_2", 168);
    form.Set(L"AUTO_IP_3", 0);
    form.Set(L"AUTO_IP_4", 7);
    const ProxyProfile profile = ProxyProfile::FromFieldMap(form);
    EXPECT_EQ(profile.Name, L"Office");
    EXPECT_EQ(profile.ProxyServer, L"http=proxy;https=proxy;ftp=proxy;gopher=proxy;socks=proxy;");
    EXPECT_EQ(profile.ConnectionFlags, kProxyTypeDirect | kProxyTypeProxy | kProxyTypeAutoDetect);
    EXPECT_EQ(profile.AutoDiscoveryFlags, kAutoProxyFlagDontCacheProxyResult);
    EXPECT_EQ(profile.AutoConfigUrl, L"");
    EXPECT_EQ(profile.NdisName, L"Intel Adapter");
    EXPECT_EQ(profile.AutoIp, L"192.168.0.7");

    FieldMap separate = ProxyForm(L"", false);
    separate.Set(L"HHTPPROXY_PORT", L"1");
    separate.Set(L"HHTPPROXY", L"a");
    EXPECT_EQ(ProxyProfile::FromFieldMap(separate).ProxyServer, L"http=a:1;https=;ftp=;gopher=;socks=;");
}

TEST(ProxyProfileForm, WithoutUseProxyNoServerOrBypassIsStored)
{
    FieldMap form = ProxyForm(L"x;y", true);
    form.Set(L"USE_PROXY", false);
    form.Set(L"PROXY_TYPE_AUTO_PROXY_URL", true);
    form.Set(L"AUTOCONFIG_URL", L"http://wpad/proxy.pac");
    form.Set(L"NDIS_NAME", L"eth0");
    const ProxyProfile profile = ProxyProfile::FromFieldMap(form);
    EXPECT_EQ(profile.ProxyServer, L"");
    EXPECT_EQ(profile.ProxyBypass, L"");
    EXPECT_EQ(profile.ConnectionFlags, kProxyTypeDirect | kProxyTypeAutoProxyUrl);
    EXPECT_EQ(profile.AutoConfigUrl, L"http://wpad/proxy.pac");
    EXPECT_EQ(profile.NdisName, L"") << "no rule without PROXY_AUTO_ACTIVATE";
    // Values of the wrong kind count as false, empty or zero; an empty form still gives DIRECT.
    FieldMap wrongKinds;
    wrongKinds.Set(L"USE_PROXY", 1);
    wrongKinds.Set(L"DISPLAY_NAME", true);
    const ProxyProfile empty = ProxyProfile::FromFieldMap(wrongKinds);
    EXPECT_EQ(empty.ConnectionFlags, kProxyTypeDirect);
    EXPECT_EQ(empty.Name, L"");
}

TEST(ProxyProfileForm, ToFieldMapRoundTripsAnEditorProfile)
{
    ProxyProfile profile;
    profile.Name = L"Caf\u00e9 \U0001F600";
    profile.ConnectionFlags = kProxyTypeDirect | kProxyTypeProxy | kProxyTypeAutoProxyUrl;
    profile.AutoDiscoveryFlags = kAutoProxyFlagDontCacheProxyResult;
    profile.AutoConfigUrl = L"http://cfg/p.pac";
    profile.BuildServerString({L"h:1", L"s:2", L"", L"g", L"k:1080"});
    profile.ProxyBypass = L"*.corp;<local>";
    profile.NdisName = L"Realtek";
    profile.AutoIp = L"10.1.2.3";
    FieldMap form;
    profile.ToFieldMap(form);
    EXPECT_FALSE(form.Get(L"USE_ONE_PROXY").AsBool());
    EXPECT_EQ(form.Get(L"GOPHERPROXY").AsString(), L"g");
    EXPECT_EQ(form.Get(L"AUTO_IP_4").AsInt(), 3);
    EXPECT_EQ(ProxyProfile::FromFieldMap(form), profile);

    ProxyProfile noRule;
    FieldMap ruleless;
    noRule.ToFieldMap(ruleless);
    EXPECT_FALSE(ruleless.Get(L"PROXY_AUTO_ACTIVATE").AsBool());
    EXPECT_FALSE(ruleless.Has(L"NDIS_NAME"));
    EXPECT_EQ(ruleless.Get(L"AUTO_NDIS_NAME").GetTag(), FieldValue::Tag::Int);
    EXPECT_EQ(ruleless.Get(L"AUTO_IP_1").AsInt(), 0);
}

TEST(ProxyProfileForm, AutoIpPartsReadLeadingDigitsOnly)
{
    struct Case {
        const wchar_t* AutoIp;
        std::array<int, 4> Parts;
    } cases[] = {
        {L"192.168.0.7", {192, 168, 0, 7}},
        {L"12x.7..junk", {12, 7, 0, 0}},
        {L"-1. 2.+3.4", {0, 0, 0, 4}},  // no signs, no leading blanks
        {L"010.0x1F.1e3.4 ", {10, 0, 1, 4}},
        {L"1.2", {1, 2, 0, 0}},
        {L"1.2.3.4.5", {1, 2, 3, 4}},
        {L"99999999999.2147483647.2147483648.3", {2147483647, 2147483647, 2147483647, 3}},
        {L"\u0661.2.3.4", {0, 2, 3, 4}},  // only the ASCII digits count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.AutoIp)));
        ProxyProfile profile;
        profile.NdisName = L"eth";
        profile.AutoIp = c.AutoIp;
        FieldMap form;
        profile.ToFieldMap(form);
        const std::array<int, 4> parts = {form.Get(L"AUTO_IP_1").AsInt(), form.Get(L"AUTO_IP_2").AsInt(),
                                          form.Get(L"AUTO_IP_3").AsInt(), form.Get(L"AUTO_IP_4").AsInt()};
        EXPECT_EQ(parts, c.Parts);
    }
}

} // namespace
