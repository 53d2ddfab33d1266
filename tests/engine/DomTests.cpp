// The element functions as the program calls them: tree walk, attributes, text, HTML,
// creation and deletion with live handles, states and selection.
#include "EngineTestWindow.h"
#include "engine/dom/Element.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr const char* kTable = R"(<html><body>
<table id=proxy_list fixedrows=1>
<tr><th width=2></th><th>Name</th></tr>
<tr name=proxy_info><td><b>&raquo;</b></td><td nowrap=1>Office</td></tr>
<tr name=proxy_info><td> </td><td nowrap=1>Home</td></tr>
</table>
<input id=name type=text value="Unnamed Proxy">
<div id=box style="behavior: scroller; x-custom: 7" class=log>a<b>b</b>c</div>
</body></html>)";

class EngineDom : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_window.Load(kTable)); }

    EngineTestWindow m_window;
};

std::string Tag(HELEMENT he)
{
    LPCSTR tag = nullptr;
    return HTMLayoutGetElementType(he, &tag) == HLDOM_OK ? tag : "(invalid)";
}

HELEMENT Child(HELEMENT he, UINT n)
{
    HELEMENT child = nullptr;
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetNthChild(he, n, &child));
    return child;
}

UINT Count(HELEMENT he)
{
    UINT count = 0;
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetChildrenCount(he, &count));
    return count;
}

std::wstring Attribute(HELEMENT he, const char* name)
{
    LPCWSTR value = nullptr;
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetAttributeByName(he, name, &value));
    return value != nullptr ? value : L"(none)";
}

} // namespace

TEST_F(EngineDom, WalksTheTree)
{
    HELEMENT root = m_window.Root();
    EXPECT_EQ("html", Tag(root));
    HELEMENT table = m_window.Find("#proxy_list");
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(3u, Count(table));  // rows are the table's own children
    HELEMENT row = Child(table, 2);
    EXPECT_EQ("tr", Tag(row));
    UINT index = 0;
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetElementIndex(row, &index));
    EXPECT_EQ(2u, index);
    HELEMENT parent = nullptr;
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetParentElement(row, &parent));
    EXPECT_EQ(table, parent);
    EXPECT_EQ(nullptr, Child(table, 3));
    EXPECT_EQ(L"Home", EngineTestWindow::Text(Child(row, 1)));
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetParentElement(root, &parent));
    EXPECT_EQ(nullptr, parent);
}

TEST_F(EngineDom, AttributesKeepTheirOrder)
{
    HELEMENT cell = Child(Child(m_window.Find("#proxy_list"), 1), 1);
    EXPECT_EQ(L"1", Attribute(cell, "nowrap"));
    EXPECT_EQ(L"1", Attribute(cell, "NOWRAP"));
    EXPECT_EQ(L"(none)", Attribute(cell, "width"));
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetAttributeByName(cell, "title", L"t"));
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetAttributeByName(cell, "nowrap", L"0"));
    UINT count = 0;
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetAttributeCount(cell, &count));
    ASSERT_EQ(2u, count);
    const char* names[2] = {};
    const wchar_t* values[2] = {};
    for (UINT i = 0; i < 2; ++i)
        ASSERT_EQ(HLDOM_OK, HTMLayoutGetNthAttribute(cell, i, &names[i], &values[i]));
    EXPECT_STREQ("nowrap", names[0]);
    EXPECT_STREQ(L"0", values[0]);
    EXPECT_STREQ("title", names[1]);
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutGetNthAttribute(cell, 2, &names[0], &values[0]));
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetAttributeByName(cell, "nowrap", nullptr));
    EXPECT_EQ(L"(none)", Attribute(cell, "nowrap"));
}

TEST_F(EngineDom, InnerTextReplacesTheContent)
{
    HELEMENT box = m_window.Find("#box");
    EXPECT_EQ(L"abc", EngineTestWindow::Text(box));
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetElementInnerText16(box, L"<b>not markup</b>", 17));
    EXPECT_EQ(0u, Count(box));
    EXPECT_EQ("&lt;b&gt;not markup&lt;/b&gt;", EngineTestWindow::Html(box, FALSE));
    // An input's text is its value.
    HELEMENT input = m_window.Find("#name");
    EXPECT_EQ(L"Unnamed Proxy", EngineTestWindow::Text(input));
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetElementInnerText16(input, L"Office", 6));
    EXPECT_EQ(L"Office", Attribute(input, "value"));
}

TEST_F(EngineDom, ElementHtmlReadsBackAsWritten)
{
    HELEMENT marker = Child(Child(m_window.Find("#proxy_list"), 1), 0);
    EXPECT_EQ("<b>&raquo;</b>", EngineTestWindow::Html(marker, FALSE));
    EXPECT_EQ("<td><b>&raquo;</b></td>", EngineTestWindow::Html(marker, TRUE));
    HELEMENT empty = Child(Child(m_window.Find("#proxy_list"), 2), 0);
    ASSERT_EQ(HLDOM_OK, EngineTestWindow::SetHtml(empty, "<b>&raquo;</b>", HL_SIH_REPLACE_CONTENT));
    EXPECT_EQ("<b>&raquo;</b>", EngineTestWindow::Html(empty, FALSE));
    EXPECT_EQ(L"\u00BB", EngineTestWindow::Text(empty));
}

TEST_F(EngineDom, SetElementHtmlPlacesTheContent)
{
    struct Case {
        UINT Where;
        const char* Parent;
    };
    const Case cases[] = {
        {HL_SIH_REPLACE_CONTENT, "<p>x<i>new</i></p>"},
        {HL_SIH_INSERT_AT_START, "<p>x<i>new</i>a<b>b</b>c</p>"},
        {HL_SIH_APPEND_AFTER_LAST, "<p>a<b>b</b>cx<i>new</i></p>"},
        {HL_SOH_REPLACE, "x<i>new</i>"},
        {HL_SOH_INSERT_BEFORE, "x<i>new</i><p>a<b>b</b>c</p>"},
        {HL_SOH_INSERT_AFTER, "<p>a<b>b</b>c</p>x<i>new</i>"},
    };
    for (const Case& c : cases) {
        EngineTestWindow window;
        ASSERT_TRUE(window.Load("<div id=d><p id=p>a<b>b</b>c</p></div>"));
        HELEMENT p = window.Find("#p");
        HELEMENT div = window.Find("#d");
        ASSERT_EQ(HLDOM_OK, EngineTestWindow::SetHtml(p, "x<i>new</i>", c.Where));
        std::string html = EngineTestWindow::Html(div, FALSE);
        // The p element's own attribute is left out of the comparison.
        std::string::size_type at = html.find(" id=\"p\"");
        if (at != std::string::npos)
            html.erase(at, 7);
        EXPECT_EQ(c.Parent, html) << "where " << c.Where;
    }
}

TEST_F(EngineDom, CreatedRowsAppendAndInsert)
{
    HELEMENT table = m_window.Find("#proxy_list");
    HELEMENT first = nullptr;
    HELEMENT last = nullptr;
    ASSERT_EQ(HLDOM_OK, HTMLayoutCreateElement("TR", nullptr, &last));
    ASSERT_EQ(HLDOM_OK, HTMLayoutCreateElement("tr", L"first", &first));
    HWND window = nullptr;
    EXPECT_EQ(HLDOM_PASSIVE_HANDLE, HTMLayoutGetElementHwnd(last, &window, FALSE));
    ASSERT_EQ(HLDOM_OK, HTMLayoutInsertElement(last, table, HL_INSERT_APPEND));
    ASSERT_EQ(HLDOM_OK, HTMLayoutInsertElement(first, table, 0));
    EXPECT_EQ(5u, Count(table));
    EXPECT_EQ(first, Child(table, 0));
    EXPECT_EQ(last, Child(table, 4));
    EXPECT_EQ("tr", Tag(last));
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetElementHwnd(last, &window, FALSE));
    EXPECT_EQ(m_window.Window(), window);
    // Moving an element that is in the tree takes it from its old place.
    ASSERT_EQ(HLDOM_OK, HTMLayoutInsertElement(first, table, HL_INSERT_APPEND));
    EXPECT_EQ(first, Child(table, 4));
    EXPECT_EQ(5u, Count(table));
    EXPECT_EQ(HLDOM_OK, HTMLayout_UnuseElement(first));
    EXPECT_EQ(HLDOM_OK, HTMLayout_UnuseElement(last));
    ASSERT_EQ(HLDOM_OK, HTMLayoutDeleteElement(first));
    EXPECT_EQ(4u, Count(table));
    EXPECT_EQ("(invalid)", Tag(first));  // nobody used it any more: it is gone
}

TEST_F(EngineDom, UsedHandleOutlivesItsElementLeavingTheTreeOrThePage)
{
    std::size_t before = Engine::Element::LiveCount();
    HELEMENT table = m_window.Find("#proxy_list");
    HELEMENT row = Child(table, 1);
    HELEMENT cell = Child(row, 1);
    ASSERT_EQ(HLDOM_OK, HTMLayout_UseElement(cell));
    ASSERT_EQ(HLDOM_OK, HTMLayoutDeleteElement(row));
    EXPECT_EQ(2u, Count(table));
    EXPECT_EQ("(invalid)", Tag(row));
    EXPECT_EQ("td", Tag(cell));  // still valid, away from any page
    HELEMENT parent = table;
    EXPECT_EQ(HLDOM_OK, HTMLayoutGetParentElement(cell, &parent));
    EXPECT_EQ(nullptr, parent);
    EXPECT_EQ(L"Office", EngineTestWindow::Text(cell));
    HWND window = nullptr;
    EXPECT_EQ(HLDOM_PASSIVE_HANDLE, HTMLayoutGetElementHwnd(cell, &window, FALSE));
    ASSERT_EQ(HLDOM_OK, HTMLayout_UnuseElement(cell));
    EXPECT_EQ("(invalid)", Tag(cell));
    EXPECT_EQ(HLDOM_INVALID_HANDLE, HTMLayout_UnuseElement(cell));
    EXPECT_EQ(before - 4, Engine::Element::LiveCount());  // the row, its two cells and the b, all gone

    // So does one whose whole page is replaced.
    ASSERT_EQ(HLDOM_OK, HTMLayout_UseElement(table));
    ASSERT_TRUE(m_window.Load("<p>new page</p>"));
    EXPECT_EQ("table", Tag(table));
    EXPECT_EQ(HLDOM_PASSIVE_HANDLE, HTMLayoutGetElementHwnd(table, &window, FALSE));
    EXPECT_EQ(HLDOM_OK, HTMLayout_UnuseElement(table));
    EXPECT_EQ("(invalid)", Tag(table));
}

TEST_F(EngineDom, RefusesUnbalancedUnuseAndCycles)
{
    HELEMENT table = m_window.Find("#proxy_list");
    EXPECT_EQ(HLDOM_OPERATION_FAILED, HTMLayout_UnuseElement(table));
    EXPECT_EQ(HLDOM_OPERATION_FAILED, HTMLayout_UnuseElement(m_window.Root()));
    EXPECT_EQ("table", Tag(table));
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutInsertElement(table, Child(table, 1), 0));
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutInsertElement(m_window.Root(), table, 0));
    EXPECT_EQ(HLDOM_OPERATION_FAILED, HTMLayoutDeleteElement(m_window.Root()));
    EXPECT_EQ(HLDOM_INVALID_HANDLE, HTMLayout_UseElement(reinterpret_cast<HELEMENT>(&table)));
    EXPECT_EQ(HLDOM_INVALID_HANDLE, HTMLayoutGetChildrenCount(nullptr, nullptr));
}

TEST_F(EngineDom, StatesSetAndClear)
{
    HELEMENT row = Child(m_window.Find("#proxy_list"), 1);
    UINT state = 1;
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetElementState(row, &state));
    EXPECT_EQ(0u, state);
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetElementState(row, HL_STATE_CURRENT | HL_STATE_CHECKED | HL_STATE_ANCHOR, 0, TRUE));
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetElementState(row, HL_STATE_DISABLED, HL_STATE_CHECKED, TRUE));
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetElementState(row, &state));
    EXPECT_EQ(0x20u | 0x4000u | 0x80u, state);
    EXPECT_EQ(std::vector<HELEMENT>{row}, EngineTestWindow::SelectAll(m_window.Root(), "tr:current:anchor:disabled"));
    BOOL enabled = TRUE;
    ASSERT_EQ(HLDOM_OK, HTMLayoutIsElementEnabled(Child(row, 0), &enabled));
    EXPECT_FALSE(enabled);
}

TEST_F(EngineDom, SelectionStopsWhenTheCallbackSaysSo)
{
    std::vector<HELEMENT> cells = EngineTestWindow::SelectAll(m_window.Root(), "td");
    ASSERT_EQ(4u, cells.size());
    EXPECT_EQ(cells[0], m_window.Find("td"));
    struct Walk {
        int Calls = 0;
    } walk;
    ASSERT_EQ(HLDOM_OK, HTMLayoutSelectElements(
                            m_window.Root(), "td",
                            [](HELEMENT, LPVOID param) -> BOOL { return ++static_cast<Walk*>(param)->Calls == 2; },
                            &walk));
    EXPECT_EQ(2, walk.Calls);
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutSelectElements(m_window.Root(), "td:", nullptr, nullptr));
    // The walk below an element leaves the element itself out.
    HELEMENT table = m_window.Find("table");
    EXPECT_TRUE(EngineTestWindow::SelectAll(table, "table").empty());
    EXPECT_EQ(2u, EngineTestWindow::SelectAll(table, "tr[name='proxy_info']").size());
}

TEST_F(EngineDom, CallbacksMayDeleteWhatTheyAreGiven)
{
    std::size_t before = Engine::Element::LiveCount();
    std::vector<HtmlDomResult> results;
    ASSERT_EQ(HLDOM_OK, HTMLayoutSelectElements(
                            m_window.Root(), "tr, td",
                            [](HELEMENT he, LPVOID param) -> BOOL {
                                static_cast<std::vector<HtmlDomResult>*>(param)->push_back(HTMLayoutDeleteElement(he));
                                return FALSE;
                            },
                            &results));
    EXPECT_EQ(0u, Count(m_window.Find("table")));
    // Each row went with its cells, which were then no longer anywhere to be deleted from.
    const HtmlDomResult ok = HLDOM_OK;
    const HtmlDomResult gone = HLDOM_OPERATION_FAILED;
    EXPECT_EQ((std::vector<HtmlDomResult>{ok, ok, gone, gone, ok, gone, gone}), results);
    EXPECT_EQ(before - 10, Engine::Element::LiveCount());
}

TEST_F(EngineDom, SelectParentWalksUpFromTheElement)
{
    HELEMENT bold = m_window.Find("b");
    HELEMENT found = nullptr;
    ASSERT_EQ(HLDOM_OK, HTMLayoutSelectParent(bold, "tr", 0, &found));
    EXPECT_EQ(Child(m_window.Find("table"), 1), found);
    ASSERT_EQ(HLDOM_OK, HTMLayoutSelectParent(bold, "b", 0, &found));
    EXPECT_EQ(bold, found);
    ASSERT_EQ(HLDOM_OK, HTMLayoutSelectParent(bold, "tr", 2, &found));
    EXPECT_EQ(nullptr, found);
    ASSERT_EQ(HLDOM_OK, HTMLayoutSelectParent(bold, "div", 0, &found));
    EXPECT_EQ(nullptr, found);
}

TEST_F(EngineDom, StylesReadAndSet)
{
    HELEMENT box = m_window.Find("#box");
    LPCWSTR value = nullptr;
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetStyleAttribute(box, "behavior", &value));
    EXPECT_STREQ(L"scroller", value);
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetStyleAttribute(box, "X-Custom", &value));
    EXPECT_STREQ(L"7", value);
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetStyleAttribute(box, "display", L"none"));
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetStyleAttribute(box, "display", &value));
    EXPECT_STREQ(L"none", value);
    BOOL visible = TRUE;
    ASSERT_EQ(HLDOM_OK, HTMLayoutIsElementVisible(m_window.Find("#box b"), &visible));
    EXPECT_FALSE(visible);
    ASSERT_EQ(HLDOM_OK, HTMLayoutSetStyleAttribute(box, "display", nullptr));
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetStyleAttribute(box, "display", &value));
    EXPECT_STREQ(L"block", value);
    ASSERT_EQ(HLDOM_OK, HTMLayoutIsElementVisible(m_window.Find("#box b"), &visible));
    EXPECT_TRUE(visible);
    ASSERT_EQ(HLDOM_OK, HTMLayoutGetStyleAttribute(box, "no-such", &value));
    EXPECT_EQ(nullptr, value);
}

TEST_F(EngineDom, CombinesUrlsWithTheBase)
{
    const char page[] = "<p>x</p>";
    ASSERT_TRUE(HTMLayoutLoadHtmlEx(m_window.Window(), reinterpret_cast<LPCBYTE>(page), sizeof page,
                                    L"http://host/dir/page.html"));
    struct Case {
        const wchar_t* Url;
        const wchar_t* Combined;
    };
    const Case cases[] = {{L"img.png", L"http://host/dir/img.png"},
                          {L"/top.css", L"http://host/top.css"},
                          {L"res:about.png", L"res:about.png"},
                          {L"C:\\x.png", L"C:\\x.png"}};
    for (const Case& c : cases) {
        wchar_t buffer[2048];
        wcscpy(buffer, c.Url);
        ASSERT_EQ(HLDOM_OK, HTMLayoutCombineURL(m_window.Root(), buffer, 2048));
        EXPECT_STREQ(c.Combined, buffer);
    }
}
