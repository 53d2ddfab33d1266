// Selector matching over one page, in document order.
#include "engine/css/Selector.h"
#include "engine/dom/Document.h"
#include "engine/dom/Utf.h"
#include "engine/input/FormControls.h"

#include <gtest/gtest.h>

using namespace Engine;

namespace {

constexpr const char* kPage = R"(
<div id=top class="panel main">
  <table id=grid name=proxy_list fixedrows=1>
    <tr id=h><th id=h0>Name</th><th id=h1>Type</th></tr>
    <tr id=r1 name=proxy_info><td id=c10 nowrap=1>Office</td><td id=c11>Proxy</td></tr>
    <tr id=r2 name=PROXY_INFO><td id=c20>Home</td><td id=c21>Direct</td></tr>
  </table>
  <p id=p1 lang=en-US title="one two three">x <a id=a1 href="http://x/y.html">link</a></p>
  <input id=i1 type=checkbox name=USE_PROXY checked>
  <input id=i2 type=text name=DISPLAY_NAME disabled>
</div>
<span id=s1 class=panel></span><span id=s2></span>
)";

class EngineSelectors : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_document.Load(kPage));
        FormControls::PrepareTree(m_document.Root());
        Element* r2 = Find(L"r2");
        r2->ChangeState(0x20 | 0x4000, 0);
        Find(L"r1")->ChangeState(0x40 | 0x2, 0);
        Find(L"c10")->ChangeState(0x8 | 0x200, 0);
        Find(L"c11")->ChangeState(0x400 | 0x10, 0);
    }

    Element* Find(const std::wstring& id)
    {
        std::vector<Element*> pending{&m_document.Root()};
        while (!pending.empty()) {
            Element* element = pending.back();
            pending.pop_back();
            if (const std::wstring* value = element->FindAttribute("id"); value != nullptr && *value == id)
                return element;
            pending.insert(pending.end(), element->Children().begin(), element->Children().end());
        }
        return nullptr;
    }

    std::string Matches(const char* selector)
    {
        auto list = Selector::ParseList(Utf8ToWide(selector));
        if (!list)
            return "invalid";
        std::string ids;
        MatchContext context;
        std::vector<Element*> pending{&m_document.Root()};
        while (!pending.empty()) {
            Element* element = pending.back();
            pending.pop_back();
            if (Selector::MatchesAny(*list, *element, context)) {
                const std::wstring* id = element->FindAttribute("id");
                ids += (ids.empty() ? "" : " ") + (id != nullptr ? WideToUtf8(*id) : element->Tag());
            }
            pending.insert(pending.end(), element->Children().rbegin(), element->Children().rend());
        }
        return ids;
    }

    Document m_document;
};

} // namespace

TEST_F(EngineSelectors, MatchInDocumentOrder)
{
    struct Case {
        const char* Selector;
        const char* Ids;
    };
    const Case cases[] = {
        {"th", "h0 h1"},
        {"TH", "h0 h1"},
        {"#r1", "r1"},
        {".panel", "top s1"},
        {".panel.main", "top"},
        {"span.panel, #p1", "p1 s1"},
        {"[nowrap]", "c10"},
        {"[name='proxy_info']", "r1 r2"},        // plain equality ignores case
        {"[name=='proxy_info']", "r1"},          // doubled equality does not
        {"*[name='DISPLAY_NAME']", "i2"},
        {"[type='checkbox'][name='USE_PROXY']", "i1"},
        {"[title~=two]", "p1"},
        {"[lang|=en]", "p1"},
        {"[href^='http:']", "a1"},
        {"[href$='.html']", "a1"},
        {"[href*='x/y']", "a1"},
        {"table td", "c10 c11 c20 c21"},
        {"#grid > tr > td:first-child", "c10 c20"},
        {"div > td", ""},
        {"tr td:last-child", "c11 c21"},
        {"th + th", "h1"},
        {"#h ~ tr", "r1 r2"},
        {"tr:current", "r2"},
        {"tr:anchor", "r2"},
        {"tr:checked", "r1"},
        {"tr:hover", "r1"},
        {":focus", "c10"},
        {"td:expanded", "c10"},
        {"td:collapsed", "c11"},
        {"td:visited", "c11"},
        {"input:checked", "i1"},
        {"input:disabled", "i2"},
        {"input:enabled", "i1"},
        {"a:link", "a1"},
        {"tr:not(:current)", "h r1"},
        {"span:empty", "s1 s2"},
        {"tr:current td:first-child", "c20"},
        {"#grid tr:checked > td", "c10 c11"},
        {"body", ""},
        {"p a", "a1"},
        {"div div", ""},
        {"tr:nth-child(odd)", "h r2"},
        {"tr:nth-child(EVEN)", "r1"},
        {"tr[name=proxy_info]:nth-child(2n+1)", "r2"},
        {"td:nth-child(2)", "c11 c21"},
        {"th:nth-child(0n+1)", "h0"},
        {"tr:nth-child(4)", ""},
        {"#top > :nth-child(-n+2)", "grid p1"},
        {"#top > :nth-child(n+3)", "i1 i2"},
        {"input:nth-child( 3n + 1 )", "i2"},
        {"span:nth-child(3n-1)", "s1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Ids, Matches(c.Selector)) << c.Selector;
}

TEST_F(EngineSelectors, RejectSelectorsTheyDoNotUnderstand)
{
    const char* invalid[] = {"",    "tr:",     "tr:nosuch",  "[name",  "[name='x'",  "[name~x]", "a,",
                             ",a",  "a >",     "#",          ".",      "a::before",  "a)",       ":not(a",
                             "tr:nth-child", "tr:nth-child()", "tr:nth-child(x)", "tr:nth-child(2n1)", "tr:nth-child(1 2)",
                             "tr:nth-child(2n+)", "tr:nth-child(odd", "tr:nth-child(n-n)", "tr:nth-child(1234567)",
                             "a b c d e f g h i j k l m n o p q r s t u v w x y z a b c d e f g h"};
    for (const char* selector : invalid)
        EXPECT_EQ("invalid", Matches(selector)) << selector;
}

TEST_F(EngineSelectors, SpecificityCountsIdsClassesAndTypes)
{
    struct Case {
        const char* Selector;
        std::uint32_t Specificity;
    };
    const Case cases[] = {{"*", 0},          {"td", 1},     {".a", 0x100},      {"#a", 0x10000},
                          {"tr:current td", 0x102}, {"a[href].x#y", 0x10201}, {"div > p + span", 3}, {"tr:nth-child(odd)", 0x101}};
    for (const Case& c : cases) {
        auto list = Selector::ParseList(Utf8ToWide(c.Selector));
        ASSERT_TRUE(list) << c.Selector;
        EXPECT_EQ(c.Specificity, list->front().Specificity) << c.Selector;
    }
}

TEST(EngineSelectorBudget, RunawayMatchingGivesUp)
{
    // Many descendant steps over a deep chain of the same tag would take exponential time
    // without the step budget.
    Document document;
    std::string source;
    for (int i = 0; i < 200; ++i)
        source += "<b>";
    source += "<i id=leaf></i>";
    ASSERT_TRUE(document.Load(source));
    std::string selector = "u ";
    for (int i = 0; i < 30; ++i)
        selector += "b ";
    selector += "i";
    auto list = Selector::ParseList(Utf8ToWide(selector));
    ASSERT_TRUE(list);
    const Element* leaf = &document.Root();
    while (!leaf->Children().empty())
        leaf = leaf->Children().back();
    EXPECT_FALSE(Selector::Matches(list->front(), *leaf));
}
