// The behaviors the pages use, attached by the host and driven by real mouse and key messages.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Ids(const std::vector<TestHost::Command>& commands, WPARAM kind)
{
    std::vector<std::wstring> ids;
    for (const auto& command : commands) {
        if (command.Kind == kind)
            ids.push_back(command.Id);
    }
    return ids;
}

// A table of rows 20 pixels high: one header row, rows r1... r<count-1>; hidden rows carry
// display none.
std::string GridPage(int count, const char* tableAttributes, const std::vector<int>& hidden, const char* scroller)
{
    std::string page = "<html><head><style>table { behavior: grid; border-spacing: 0 } tr { height: 20px }"
                       " td { padding: 0; width: 100px } .gone { display: none }"
                       " #panel { height: 200px; overflow: auto }</style></head><body style='margin:0'>";
    page += scroller;
    page += "<table ";
    page += tableAttributes;
    page += "><tr id=r0><td id=h0>Name</td><td id=h1>Type</td></tr>";
    for (int i = 1; i < count; ++i) {
        bool gone = std::find(hidden.begin(), hidden.end(), i) != hidden.end();
        page += "<tr id=r" + std::to_string(i) + (gone ? " class=gone" : "") + "><td id=c" + std::to_string(i) +
                ">row</td><td>x</td></tr>";
    }
    page += "</table>";
    page += scroller[0] != 0 ? "</div>" : "";
    return page + "</body></html>";
}

std::wstring Current(const TestHost& host)
{
    return host.Find("tr:current").AttributeString("id");
}

std::vector<std::wstring> Checked(const TestHost& host)
{
    std::vector<ElementRef> rows;
    SelectAll(host.Root(), rows, "tr:checked");
    std::vector<std::wstring> ids;
    for (const ElementRef& row : rows)
        ids.push_back(row.AttributeString("id"));
    return ids;
}

} // namespace

TEST(CommandBehaviorTest, SendsOneCommandOnlyForAPressAndReleaseInsideAnElementWithAnId)
{
    TestHost host;
    host.Open("<html><head><style>div { behavior: command; width: 80px; height: 30px }</style></head><body>"
              "<div id=one>One</div><div id=two>Two</div><div>No id</div></body></html>");
    const POINT one = host.Center(host.Find("#one"));
    const POINT two = host.Center(host.Find("#two"));
    const POINT noId = host.Center(host.Find("div:not([id])"));
    struct Case {
        POINT Down, Up;
        std::vector<std::wstring> Sent;
    };
    const Case cases[] = {
        {one, one, {L"one"}},
        {one, two, {}},  // the first keeps the capture and finds the pointer outside
        {noId, noId, {}},
        {two, POINT{390, 290}, {}},
        {two, two, {L"two"}},
    };
    for (const Case& c : cases) {
        host.Commands.clear();
        host.Mouse(WM_LBUTTONDOWN, c.Down, MK_LBUTTON);
        host.Mouse(WM_LBUTTONUP, c.Up);
        EXPECT_EQ(c.Sent, Ids(host.Commands, COMMAND_CLICK)) << c.Down.y << " to " << c.Up.x << "," << c.Up.y;
        EXPECT_TRUE(host.Find("div:current").IsNull());
    }
}

TEST(GridBehaviorTest, MouseMovesTheCurrentRowAndSendsRowCommands)
{
    TestHost host;
    host.Open(GridPage(6, "fixedrows=1", {}, ""));
    // The header row names the columns: a double click on it makes nothing current and sends no
    // row command, with or without a current row before.
    for (const bool rowBefore : {false, true}) {
        host.Events.clear();
        if (rowBefore) {
            host.Click(host.Center(host.Find("#c2")));
            host.Click(host.Center(host.Find("#c2")));  // the current row again: no second row-click
            TestHost::Pump(50);
            ASSERT_EQ(1u, host.Events.size());
            EXPECT_EQ(HL_TABLE_ROW_CLICK, host.Events[0].Code);
            EXPECT_EQ(2u, host.Events[0].Reason);
            host.Events.clear();
        }
        host.Mouse(WM_LBUTTONDBLCLK, host.Center(host.Find("#h0")), MK_LBUTTON);
        TestHost::Pump(50);
        EXPECT_EQ(rowBefore ? L"r2" : L"", Current(host));
        EXPECT_TRUE(host.Commands.empty());
        ASSERT_EQ(1u, host.Events.size());
        EXPECT_EQ(HL_TABLE_HEADER_CLICK, host.Events[0].Code);
    }

    host.Events.clear();
    host.Mouse(WM_RBUTTONDOWN, host.Center(host.Find("#h1")), MK_RBUTTON);  // header: nothing
    host.Mouse(WM_RBUTTONDOWN, host.Center(host.Find("#c3")), MK_RBUTTON);
    host.Mouse(WM_LBUTTONDBLCLK, host.Center(host.Find("#c4")), MK_LBUTTON);
    host.Click(host.Center(host.Find("#h1")));
    TestHost::Pump(50);
    EXPECT_EQ(std::vector<std::wstring>{L"c3"}, Ids(host.Commands, COMMAND_ROW_MENU));
    EXPECT_EQ(std::vector<std::wstring>{L"c4"}, Ids(host.Commands, COMMAND_ROW_DCLICK));
    EXPECT_EQ(L"r4", Current(host));
    ASSERT_EQ(3u, host.Events.size());  // rows 3 and 4, then the header cell
    EXPECT_EQ(HL_TABLE_HEADER_CLICK, host.Events[2].Code);
    EXPECT_EQ(1u, host.Events[2].Reason);
}

TEST(GridBehaviorTest, KeysAndRangesSkipHiddenRowsAndStayBelowTheHeader)
{
    TestHost host;
    host.Open(GridPage(8, "fixedrows=1 multiple", {2, 6}, ""));
    host.Click(host.Center(host.Find("#c1")));
    struct Step {
        UINT Key;
        bool Control, Shift;
        const wchar_t* Current;
        std::vector<std::wstring> Checked;
    };
    const Step steps[] = {
        {VK_UP, false, false, L"r1", {L"r1"}},  // the first data row: nothing above it
        {VK_DOWN, false, false, L"r3", {L"r3"}},
        {VK_DOWN, false, true, L"r4", {L"r3", L"r4"}},
        {VK_END, false, true, L"r7", {L"r3", L"r4", L"r5", L"r7"}},
        {VK_HOME, false, false, L"r1", {L"r1"}},
        {'A', true, false, L"r1", {L"r1", L"r2", L"r3", L"r4", L"r5", L"r6", L"r7"}},  // never the header
        {VK_DOWN, false, false, L"r3", {L"r3"}},
    };
    for (const Step& step : steps) {
        host.Key(step.Key, step.Control, step.Shift);
        EXPECT_EQ(step.Current, Current(host)) << step.Key;
        EXPECT_EQ(step.Checked, Checked(host)) << step.Key;
    }
    // Ctrl toggles rows in and out; Shift checks from the anchor over the visible rows only.
    host.Click(host.Center(host.Find("#c5")), MK_CONTROL);
    EXPECT_EQ((std::vector<std::wstring>{L"r3", L"r5"}), Checked(host));
    host.Click(host.Center(host.Find("#c3")), MK_CONTROL);
    EXPECT_EQ(std::vector<std::wstring>{L"r5"}, Checked(host));
    host.Click(host.Center(host.Find("#c1")), MK_SHIFT);
    EXPECT_EQ((std::vector<std::wstring>{L"r1", L"r3"}), Checked(host));
    EXPECT_EQ(L"r1", Current(host));
}

TEST(GridBehaviorTest, PageKeysInAScrolledTableLandAPageBeyondWhatShows)
{
    // A 200-pixel panel over rows of 20: Page Down takes the last row that ends within a page
    // below the panel's bottom, Page Up the first that starts within a page above its top.
    TestHost host;
    host.Open(GridPage(200, "fixedrows=1", {}, "<div id=panel>"));
    host.Click(host.Center(host.Find("#c1")));
    const std::pair<UINT, const wchar_t*> steps[] = {
        {VK_NEXT, L"r19"}, {VK_NEXT, L"r29"}, {VK_PRIOR, L"r10"}, {VK_END, L"r199"}, {VK_PRIOR, L"r180"},
        {VK_HOME, L"r1"},
    };
    for (const auto& [key, current] : steps) {
        host.Key(key);
        EXPECT_EQ(current, Current(host)) << key;
    }
}

TEST(ScrollerBehaviorTest, PanelFollowsThePointerOnlyWithNoButtonAndContentToScroll)
{
    TestHost host;
    host.Open("<html><head><style>.log { behavior: scroller; height: 100px; overflow: hidden }"
              " p { height: 100px; margin: 0 }</style></head><body style='margin:0'>"
              "<div class=log id=tall><p>1</p><p>2</p><p>3</p><p>4</p><p>5</p></div>"
              "<div class=log id=short><p>1</p></div></body></html>");
    auto scrolled = [&](const char* id) {
        POINT position{};
        RECT view{};
        SIZE content{};
        HTMLayoutGetScrollInfo(host.Find(id).Handle(), &position, &view, &content);
        return position.y;
    };
    struct Step {
        POINT At;
        WPARAM Keys;
        LONG Tall;
    };
    const Step steps[] = {
        {{50, 50}, 0, 200},            // (500 - 100) x 50 / 100
        {{50, 25}, 0, 100},
        {{50, 90}, MK_LBUTTON, 100},   // a button held: nothing
        {{50, 150}, 0, 100},           // over the short panel, which has nothing to scroll
    };
    for (const Step& step : steps) {
        host.Mouse(WM_MOUSEMOVE, step.At, step.Keys);
        TestHost::Pump(150);
        EXPECT_EQ(step.Tall, scrolled("#tall")) << step.At.y;
        EXPECT_EQ(0, scrolled("#short"));
    }
}
