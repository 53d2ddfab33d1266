#include "sysproxy/Adapters.h"

#include <gtest/gtest.h>

namespace {

TEST(AdaptersTest, TheNameIsTheDescriptionCutBeforeItsFirstSpacedDash)
{
    struct Case {
        std::wstring Description;
        std::wstring Name;
    };
    const Case cases[] = {
        {L"Fast Ethernet Adapter - Packet Scheduler Miniport", L"Fast Ethernet Adapter"},
        {L"A - B - C", L"A"},
        {L"Intel(R) PRO/1000", L"Intel(R) PRO/1000"},
        {L"Wi-Fi 6 AX201", L"Wi-Fi 6 AX201"},
        {L"Adapter -B", L"Adapter -B"},
        {L" - Miniport", L""},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdapterNameFromDescription(c.Description), c.Name) << testing::PrintToString(c.Description);
}

TEST(AdaptersTest, AnAddressBelongsToTheFirstAdapterOfExactlyThatName)
{
    const std::vector<Adapter> adapters = {
        {L"eth0", L"10.1.0.1"}, {L"Eth1", L"10.2.0.1"}, {L"eth0", L"10.3.0.1"}, {L"", L"10.4.0.1"}};
    struct Case {
        std::wstring Name;
        std::wstring Address;
    };
    const Case cases[] = {{L"eth0", L"10.1.0.1"}, {L"Eth1", L"10.2.0.1"}, {L"eth1", L""}, {L"", L""}, {L"eth", L""}};
    for (const Case& c : cases)
        EXPECT_EQ(AdapterAddress(adapters, c.Name), c.Address) << testing::PrintToString(c.Name);
}

TEST(AdaptersTest, TheSystemsAdaptersAreListedInOrderWithTheirAddresses)
{
    std::vector<std::wstring> names = {L"left over"};
    ListAdapters(names);
    const std::vector<Adapter> adapters = ReadAdapters();
    ASSERT_EQ(names.size(), adapters.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], adapters[i].Name);
        EXPECT_EQ(AdapterAddress(names[i]), AdapterAddress(adapters, names[i]));
    }
    EXPECT_EQ(AdapterAddress(L""), L"");
    EXPECT_EQ(AdapterAddress(L"no adapter has this name"), L"");
}

} // namespace
