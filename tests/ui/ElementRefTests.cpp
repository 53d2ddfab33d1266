// ElementRef's counting and null safety, and the two selector helpers, on real engine pages.
#include "engine/EngineTestWindow.h"
#include "ui/ElementRef.h"
#include "ui/ElementSelect.h"

#include <gtest/gtest.h>

#include <cstdarg>

namespace {

constexpr const char* kPage = R"(<html><body>
<input type=text name=DISPLAY_NAME id=name value="Unnamed Proxy">
<table id=proxy_list fixedrows=1><tr><th>Name</th></tr>
<tr name=proxy_info><td nowrap=1 width="12" height="">Office</td></tr>
<tr name=proxy_info><td nowrap=1 width="-3" title="x">Home</td></tr></table>
<p id=grüße>umlaut</p>
</body></html>)";

class ElementRefTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_window.Load(kPage));
        m_root = ElementRef::Root(m_window.Window());
        ASSERT_FALSE(m_root.IsNull());
    }

    EngineTestWindow m_window;
    ElementRef m_root;
};

bool Alive(HELEMENT he)
{
    LPCSTR tag = nullptr;
    return HTMLayoutGetElementType(he, &tag) == HLDOM_OK;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string selector = FormatSelector(format, args);
    va_end(args);
    return selector;
}

} // namespace

TEST(ElementRefNull, EveryOperationOnNullIsHarmless)
{
    ElementRef none;
    EXPECT_TRUE(none.IsNull());
    EXPECT_FALSE(static_cast<bool>(none));
    EXPECT_TRUE(none.Parent().IsNull());
    EXPECT_TRUE(none.Child(0).IsNull());
    EXPECT_EQ(0u, none.ChildCount());
    EXPECT_EQ(0u, none.Index());
    EXPECT_EQ(nullptr, none.Tag());
    EXPECT_EQ(L"", none.TagString());
    EXPECT_EQ(nullptr, none.Attribute("id"));
    EXPECT_EQ(L"", none.AttributeString("id"));
    EXPECT_EQ(5, none.AttributeInt("id", 5));
    EXPECT_FALSE(none.HasAttribute("id"));
    EXPECT_EQ(nullptr, none.StyleAttribute("behavior"));
    EXPECT_EQ(L"", none.Text());
    EXPECT_EQ("", none.Html(HtmlPart::Outer));
    EXPECT_EQ(0u, none.State());
    EXPECT_FALSE(none.TestState(0xFFFFFFFF));
    EXPECT_EQ(nullptr, none.Window());
    RECT box = none.Location(0x22);
    EXPECT_EQ(0, box.right);
    EXPECT_EQ(0u, none.ControlType());
    EXPECT_TRUE(none.Value().IsUndefined());
    none.SetAttribute("id", L"x");
    none.SetText(L"x");
    none.SetHtml(reinterpret_cast<const BYTE*>("x"), 1, 0);
    none.SetState(1, 0, Repaint::Yes);
    none.Update(Relayout::Yes);
    none.Insert(ElementRef(), 0);
    none.Delete();
    none.ScrollToView();
    none.SetValue(FieldValue(true));
    EXPECT_TRUE(SelectFirst(none, "td").IsNull());
    std::vector<ElementRef> found;
    SelectAll(none, found, "td");
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(ElementRef::Root(nullptr).IsNull());
    EXPECT_TRUE(ElementRef(reinterpret_cast<HELEMENT>(&found)).IsNull());  // the engine refuses it
}

TEST_F(ElementRefTest, ReferencesKeepTheirElementAlive)
{
    HELEMENT handle = nullptr;
    {
        ElementRef row = ElementRef::Create("tr", L"new");
        ASSERT_FALSE(row.IsNull());
        handle = row.Handle();
        ElementRef copy(row);
        ElementRef assigned;
        assigned = copy;
        row.Reset();
        EXPECT_TRUE(row.IsNull());
        EXPECT_TRUE(Alive(handle));
        copy = ElementRef();
        EXPECT_TRUE(Alive(handle));
        ElementRef moved(std::move(assigned));
        EXPECT_TRUE(assigned.IsNull());
        EXPECT_EQ(L"new", moved.Text());
    }
    EXPECT_FALSE(Alive(handle));  // the last reference let it go
}

TEST_F(ElementRefTest, SelectorHelpersFindInDocumentOrder)
{
    ElementRef byFormat = SelectFirst(m_root, "[name='%S']", L"DISPLAY_NAME");
    ElementRef byText = SelectFirst(m_root, "*[name='DISPLAY_NAME']");
    ASSERT_FALSE(byFormat.IsNull());
    EXPECT_EQ(byText, byFormat);
    EXPECT_EQ(L"name", byFormat.AttributeString("id"));
    EXPECT_TRUE(SelectFirst(m_root, "[name='%S']", L"NO_SUCH").IsNull());
    EXPECT_EQ(L"umlaut", SelectFirst(m_root, "p[id='%S']", L"grüße").Text());
    EXPECT_TRUE(SelectFirst(m_root, "tr:").IsNull());  // not a selector

    std::vector<ElementRef> rows;
    rows.push_back(m_root);
    SelectAll(m_root, rows, "tr[name='%s']", "proxy_info");
    ASSERT_EQ(3u, rows.size());  // appended after what the list held
    EXPECT_EQ(L"Office", rows[1].Child(0).Text());
    EXPECT_EQ(L"Home", rows[2].Child(0).Text());
}

TEST(ElementRefSelectors, FormatsAndCutsTheSelector)
{
    EXPECT_EQ("[name='DISPLAY_NAME']", Format("[name='%S']", L"DISPLAY_NAME"));
    EXPECT_EQ("[accesskey=='^S'],[accesskey-alt=='^S']", Format("[accesskey=='%s'],[accesskey-alt=='%s']", "^S", "^S"));
    EXPECT_EQ("tr:nth(3) x 100% -5 ff c", Format("tr:nth(%d) %ls %u%% %i %x %c", 3, L"x", 100u, -5, 255u, 'c'));
    EXPECT_EQ("[id='\xC3\xA4']", Format("[id='%S']", L"\u00E4"));
    std::wstring longName(3000, L'n');
    std::string cut = Format("[name='%S']", longName.c_str());
    EXPECT_EQ(kSelectorBufferLength - 1, cut.size());
    EXPECT_EQ("[name='nnn", cut.substr(0, 10));
}

TEST_F(ElementRefTest, AttributesReadAsTextNumbersAndPresence)
{
    ElementRef first = SelectFirst(m_root, "td");
    ElementRef second = SelectFirst(m_root, "td[title]");
    EXPECT_EQ(12, first.AttributeInt("width", 7));
    EXPECT_EQ(-3, second.AttributeInt("width", 7));
    EXPECT_EQ(7, first.AttributeInt("height", 7));  // present but empty
    EXPECT_EQ(7, first.AttributeInt("title", 7));   // absent
    EXPECT_TRUE(first.HasAttribute("NOWRAP"));
    EXPECT_FALSE(first.HasAttribute("nowra"));
    EXPECT_EQ(nullptr, first.Attribute("title"));
    EXPECT_EQ(L"td", first.TagString());
}

TEST_F(ElementRefTest, StatesSetClearAndTest)
{
    ElementRef row = SelectFirst(m_root, "tr[name='proxy_info']");
    row.SetState(0x20 | 0x40, 0, Repaint::Yes);
    EXPECT_TRUE(row.TestState(0x20));
    EXPECT_TRUE(row.TestState(0x80 | 0x40));
    EXPECT_FALSE(row.TestState(0x80));
    row.SetState(0, 0x20, Repaint::No);
    EXPECT_EQ(0x40u, row.State());
    EXPECT_EQ(row, SelectFirst(m_root, "tr:checked"));
}
