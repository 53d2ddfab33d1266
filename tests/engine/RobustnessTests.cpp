// Thousands of random and mutated pages, style sheets and selectors: each parses, styles and
// matches without a crash, inside the documented caps, leaving no element behind, and the whole
// run stays within a few seconds; each lays out and paints at any width with sane numbers, and
// relays out after random edits as a fresh layout would; a form in a real window takes thousands of
// random keys, characters, clicks and edits. The seed is fixed so that a failure repeats.
#include "engine/css/CssParser.h"
#include "engine/css/DocumentStyle.h"
#include "engine/css/Selector.h"
#include "engine/css/StyleResolver.h"
#include "engine/api/Handles.h"
#include "engine/dom/Document.h"
#include "engine/dom/HtmlSerializer.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Text.h"
#include "engine/dom/Utf.h"
#include "engine/input/FormControls.h"
#include "engine/paint/Painter.h"
#include "EngineTestWindow.h"
#include "ExpectedDumps.h"
#include "FakeMeasurer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace Engine;

namespace {

class Fuzzer {
public:
    explicit Fuzzer(unsigned seed) : m_random(seed) {}

    int Below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(m_random); }

    template <std::size_t N>
    const char* Pick(const char* const (&items)[N])
    {
        return items[Below(static_cast<int>(N))];
    }

    std::string Document()
    {
        static const char* const kPieces[] = {
            "<table>", "<tr>", "<td>", "<th>", "</td>", "</tr>", "</table>", "<p>", "</p>", "<li>", "<ul>", "</ul>",
            "<select>", "<option>", "</select>", "<input type=checkbox checked>", "<input type=text value='v'>",
            "<textarea>", "</textarea>", "<style>", "</style>", "<script>", "</script>", "<b>", "</b>", "<div ",
            "class=a ", "id=x ", "name='n' ", ">", "/>", "<", "</", "&", "&amp;", "&nbsp", "&#", "&#x1F600;",
            "&#99999999;", "<!--", "-->", "<!doctype>", "text ", " ", "\n", "\"", "'", "=", "\xC3", "\xA9", "\xFF",
            "<body leftmargin=1>", "<html a=b>", "</html>", "<dl><dt>", "<dd>", "<optgroup>", "<a href=#>", "</a>",
            "{ color: red }", "td { behavior: grid }"};
        std::string out;
        int count = Below(200);
        for (int i = 0; i < count; ++i)
            out += Pick(kPieces);
        return out;
    }

    std::string Mutate(std::string text)
    {
        int edits = 1 + Below(20);
        for (int i = 0; i < edits && !text.empty(); ++i) {
            std::size_t at = static_cast<std::size_t>(Below(static_cast<int>(text.size())));
            switch (Below(4)) {
            case 0: text[at] = static_cast<char>(Below(256)); break;
            case 1: text.erase(at, static_cast<std::size_t>(Below(16))); break;
            case 2: text.insert(at, text.substr(static_cast<std::size_t>(Below(static_cast<int>(text.size()))), 32)); break;
            default: text.resize(at); break;
            }
        }
        return text;
    }

    std::string StyleSheet()
    {
        static const char* const kPieces[] = {"td", "tr", "*", "#id", ".c", "[a]", "[a='v']", "[a=='V']", ":current",
                                              ":hover", ":not(", ")", " ", ">", "+", "~", ",", "{", "}", ";", ":",
                                              "color", "behavior", "grid", "red", "!important", "/*", "*/", "\"",
                                              "'", "@media", "screen", "@import", "url(", "(", "[", "]", "\\"};
        std::string out;
        int count = Below(120);
        for (int i = 0; i < count; ++i)
            out += Pick(kPieces);
        return out;
    }

    std::string SelectorText()
    {
        static const char* const kPieces[] = {"td", "tr", "table", "*", "#x", ".a", "[name]", "[name='n']", "[id==x]",
                                              ":first-child", ":last-child", ":checked", ":current", ":not(p)", " ",
                                              ">", "+", "~", ",", "p", "b", "option", "[", "'", ":", "(", ")"};
        std::string out;
        int count = 1 + Below(12);
        for (int i = 0; i < count; ++i)
            out += Pick(kPieces);
        return out;
    }

private:
    std::mt19937 m_random;
};

// The pages of the dump tests of one folder ("parser", "layout"), to start mutations from.
std::vector<std::string> SamplePages(const char* folder)
{
    std::vector<std::string> pages;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(ENGINE_TEST_DIR) / folder / "input"))
        pages.push_back(ReadFileBytes(entry.path()));
    return pages;
}

int Depth(const Element& root)
{
    int deepest = 0;
    std::vector<std::pair<const Element*, int>> pending{{&root, 0}};
    while (!pending.empty()) {
        auto [element, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        for (const Element* child : element->Children())
            pending.push_back({child, depth + 1});
    }
    return deepest;
}

} // namespace

TEST(EngineRobustness, RandomAndMutatedInputsNeverBreakTheEngine)
{
    auto started = std::chrono::steady_clock::now();
    std::size_t liveBefore = Element::LiveCount();
    Fuzzer fuzzer(20240601);
    std::vector<std::string> samples = SamplePages("parser");
    ASSERT_FALSE(samples.empty());
    int matched = 0;
    for (int round = 0; round < 6000; ++round) {
        std::string source = round % 2 == 0 ? fuzzer.Document()
                                            : fuzzer.Mutate(samples[static_cast<std::size_t>(round / 2) % samples.size()]);
        {
            Engine::Document document;
            ASSERT_TRUE(document.Load(source));
            FormControls::PrepareTree(document.Root());
            DocumentStyle style(document);
            style.AddStyleSheet(CssParser::ParseStyleSheet(Utf8ToWide(fuzzer.StyleSheet())));
            style.Update();
            ASSERT_LE(Depth(document.Root()), static_cast<int>(HtmlTreeBuilder::kMaxDepth));
            for (int s = 0; s < 3; ++s) {
                auto selectors = Selector::ParseList(Utf8ToWide(fuzzer.SelectorText()));
                if (!selectors)
                    continue;
                MatchContext context;
                std::vector<Element*> pending{&document.Root()};
                while (!pending.empty()) {
                    Element* element = pending.back();
                    pending.pop_back();
                    matched += Selector::MatchesAny(*selectors, *element, context) ? 1 : 0;
                    pending.insert(pending.end(), element->Children().begin(), element->Children().end());
                }
            }
            // What the serializer writes parses again, and changes of state and content restyle.
            std::string html = HtmlSerializer::Serialize(document.Root(), HtmlScope::Inner);
            Engine::Document again;
            ASSERT_TRUE(again.Load(html));
            if (!document.Root().Children().empty()) {
                Element* first = document.Root().Children().front();
                first->ChangeState(0x20, 0);
                first->SetTextContent(L"x");
                style.Update();
            }
        }
        ASSERT_EQ(liveBefore, Element::LiveCount()) << "elements left behind in round " << round;
    }
    EXPECT_GT(matched, 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 20.0);
    std::printf("robustness: 6000 documents in %.2f s\n", seconds);
}

TEST(EngineRobustness, OversizedPiecesStayWithinTheirCaps)
{
    EXPECT_FALSE(Engine::Document().Load(std::string(Engine::Document::kMaxSourceBytes + 1, 'x')));
    std::string nested;
    for (int i = 0; i < 5000; ++i)
        nested += "<div>";
    Engine::Document deep;
    ASSERT_TRUE(deep.Load(nested));
    EXPECT_EQ(static_cast<int>(HtmlTreeBuilder::kMaxDepth), Depth(deep.Root()));

    std::string attributes = "<p";
    for (int i = 0; i < 1000; ++i)
        attributes += " a" + std::to_string(i) + "=1";
    attributes += std::string(" ") + std::string(100000, 'n') + "=long>";
    Engine::Document document;
    ASSERT_TRUE(document.Load(attributes));
    const Element* p = document.Root().Children().front();
    EXPECT_EQ(256u, p->Attributes().size());
    EXPECT_LE(p->Attributes().back().Name.size(), 256u);

    std::string rules;
    for (int i = 0; i < 30000; ++i)
        rules += "p{a:b}";
    EXPECT_EQ(CssParser::kMaxRules, CssParser::ParseStyleSheet(Utf8ToWide(rules)).Rules.size());
    std::string declarations;
    for (int i = 0; i < 3000; ++i)
        declarations += "a:b;";
    EXPECT_EQ(CssParser::kMaxDeclarations, CssParser::ParseDeclarations(Utf8ToWide(declarations)).size());
    EXPECT_FALSE(Selector::ParseList(std::wstring(Selector::kMaxLength + 1, L'a')));
}

TEST(EngineRobustness, RandomEditsThroughTheBoundaryKeepHandlesSound)
{
    // Random edits with handles held across them: every call answers, a held handle stays
    // usable until released, and nothing is left behind once the page and handles are gone.
    std::size_t liveBefore = Element::LiveCount();
    Fuzzer fuzzer(7);
    {
        EngineTestWindow window;
        ASSERT_TRUE(window.Load("<table id=t><tr><td>a</td></tr></table><div id=d><p>x</p></div>"));
        std::vector<HELEMENT> held;
        for (int step = 0; step < 3000; ++step) {
            std::vector<HELEMENT> all = EngineTestWindow::SelectAll(window.Root(), "*");
            all.push_back(window.Root());
            HELEMENT target = all[static_cast<std::size_t>(fuzzer.Below(static_cast<int>(all.size())))];
            HELEMENT other = all[static_cast<std::size_t>(fuzzer.Below(static_cast<int>(all.size())))];
            std::string html = fuzzer.Document().substr(0, 300);
            switch (fuzzer.Below(8)) {
            case 0: EngineTestWindow::SetHtml(target, html, static_cast<UINT>(fuzzer.Below(6))); break;
            case 1: HTMLayoutInsertElement(target, other, static_cast<UINT>(fuzzer.Below(4))); break;
            case 2: HTMLayoutDeleteElement(target); break;
            case 3:
                if (HTMLayout_UseElement(target) == HLDOM_OK)
                    held.push_back(target);
                break;
            case 4: HTMLayoutSetElementState(target, static_cast<UINT>(fuzzer.Below(0x8000)), 0x20, TRUE); break;
            case 5: {
                HELEMENT created = nullptr;
                if (HTMLayoutCreateElement("tr", L"new", &created) == HLDOM_OK) {
                    HTMLayoutInsertElement(created, target, HL_INSERT_APPEND);
                    HTMLayout_UnuseElement(created);
                }
                break;
            }
            case 6: {
                UINT type = 0;
                HtmlValue value{};
                HTMLayoutControlGetType(target, &type);
                HTMLayoutControlGetValue(target, &value);
                HTMLayoutSetStyleAttribute(target, "behavior", L"x");
                HTMLayoutUpdateElement(target, 0);
                break;
            }
            default: {
                // Most random selectors do not parse: the result is not checked.
                std::string selector = fuzzer.SelectorText();
                HTMLayoutSelectElements(target, selector.c_str(), [](HELEMENT, LPVOID) -> BOOL { return FALSE; }, nullptr);
                break;
            }
            }
            for (HELEMENT he : held) {
                LPCSTR tag = nullptr;
                ASSERT_EQ(HLDOM_OK, HTMLayoutGetElementType(he, &tag)) << "a held handle died at step " << step;
            }
            if (held.size() > 50) {
                for (HELEMENT he : held)
                    EXPECT_EQ(HLDOM_OK, HTMLayout_UnuseElement(he));
                held.clear();
            }
        }
        for (HELEMENT he : held)
            EXPECT_EQ(HLDOM_OK, HTMLayout_UnuseElement(he));
    }
    EXPECT_EQ(liveBefore, Element::LiveCount());
}

namespace {

// The value of a property as the cascade left it, or empty.
std::wstring StyleOf(const Element& element, std::string_view property)
{
    const std::wstring* value = StyleResolver::Lookup(element, property);
    return value != nullptr ? *value : std::wstring();
}

} // namespace

TEST(EngineRobustness, SiblingRulesOverTenThousandSiblingsStyleQuickly)
{
    std::string page = "<style>q ~ p { later: 1 } q + p { next: 1 }</style><div><p>before</p><q>q</q>";
    for (int i = 0; i < 10000; ++i)
        page += "<p>x</p>";
    Engine::Document document;
    ASSERT_TRUE(document.Load(page + "</div>"));
    DocumentStyle style(document);
    style.Update();
    const auto& siblings = document.Root().Children().back()->Children();
    ASSERT_EQ(10002u, siblings.size());
    struct Case {
        std::size_t Index;
        const wchar_t* Later;
        const wchar_t* Next;
    } cases[] = {{0, L"", L""}, {2, L"1", L"1"}, {3, L"1", L""}, {10001, L"1", L""}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.Later, StyleOf(*siblings[c.Index], "later")) << c.Index;
        EXPECT_EQ(c.Next, StyleOf(*siblings[c.Index], "next")) << c.Index;
    }
}

TEST(EngineRobustness, HostileSheetOverDeepNestingStylesInBoundedTime)
{
    // 250 nested divs with alternating classes, and 20,000 long rules of about 145 characters
    // for every div that can never match but look close: an absent ancestor, classes in an
    // impossible order, siblings that do not exist. The cascade's budget runs out, yet the
    // element at the bottom still gets its rule and its own style.
    constexpr int kNesting = 250;
    std::string page = "<style>div p { found: 1 }\n";
    for (int rule = 1; rule < 20000; ++rule) {
        std::string selector;
        for (int part = 0; part < 31; ++part) {
            switch (rule % 3) {
            case 0: selector += part == 0 ? "span " : "div "; break;
            case 1: selector += part % 2 == 0 ? ".a > " : ".a "; break;
            default: selector += part % 4 == 3 ? "div ~ " : "div "; break;
            }
        }
        page += selector + "div { color: red; margin: " + std::to_string(rule) + "px }\n";
    }
    page += "</style>";
    for (int i = 0; i < kNesting; ++i)
        page += i % 2 == 0 ? "<div class=a>" : "<div class=b>";
    page += "<p style='kept: 1'>deep</p>";
    ASSERT_GT(page.size(), 2500000u);
    Engine::Document document;
    ASSERT_TRUE(document.Load(page));
    DocumentStyle style(document);
    ASSERT_EQ(CssParser::kMaxRules, style.StyleSheets().front()->Rules.size());
    style.Update();
    const Element* deep = &document.Root();
    while (!deep->Children().empty()) {
        EXPECT_EQ(L"", StyleOf(*deep, "color")) << deep->Tag();
        deep = deep->Children().back();
    }
    EXPECT_EQ("p", deep->Tag());
    EXPECT_EQ(L"1", StyleOf(*deep, "kept"));
    EXPECT_EQ(L"1", StyleOf(*deep, "found"));
}

TEST(EngineRobustness, NestingCapHoldsForFragmentsAndInsertions)
{
    constexpr int kCap = static_cast<int>(HtmlTreeBuilder::kMaxDepth);
    EngineTestWindow window;
    std::string nested;
    for (int i = 0; i < kCap - 10; ++i)
        nested += "<div>";
    ASSERT_TRUE(window.Load(nested));
    HELEMENT deep = window.Root();
    for (HELEMENT child = nullptr; HTMLayoutGetNthChild(deep, 0, &child) == HLDOM_OK && child != nullptr;)
        deep = child;
    std::string fragment;
    for (int i = 0; i < 1000; ++i)
        fragment += "<b>";
    EXPECT_EQ(HLDOM_OK, EngineTestWindow::SetHtml(deep, fragment + "<select><option>o</select>", HL_SIH_APPEND_AFTER_LAST));
    EXPECT_EQ(HLDOM_OK, EngineTestWindow::SetHtml(deep, fragment, HL_SOH_INSERT_AFTER));
    EXPECT_EQ(kCap, Depth(*FromHandle(window.Root())));

    // A chain built one insertion at a time, top down and bottom up: each stops at the cap.
    HELEMENT parent = deep;
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        HELEMENT created = nullptr;
        ASSERT_EQ(HLDOM_OK, HTMLayoutCreateElement("i", nullptr, &created));
        if (HTMLayoutInsertElement(created, parent, HL_INSERT_APPEND) == HLDOM_OK) {
            parent = created;
            ++accepted;
        }
        HTMLayout_UnuseElement(created);
    }
    EXPECT_EQ(10, accepted);
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, EngineTestWindow::SetHtml(parent, "<b>", HL_SIH_REPLACE_CONTENT));
    EXPECT_EQ(HLDOM_OK, EngineTestWindow::SetHtml(parent, "text", HL_SIH_REPLACE_CONTENT));

    HELEMENT chain = nullptr;
    ASSERT_EQ(HLDOM_OK, HTMLayoutCreateElement("i", nullptr, &chain));
    for (int i = 0; i < 20000; ++i) {
        HELEMENT wrapper = nullptr;
        ASSERT_EQ(HLDOM_OK, HTMLayoutCreateElement("i", nullptr, &wrapper));
        if (HTMLayoutInsertElement(chain, wrapper, HL_INSERT_APPEND) == HLDOM_OK) {
            HTMLayout_UnuseElement(chain);
            chain = wrapper;
        } else {
            HTMLayout_UnuseElement(wrapper);
        }
    }
    EXPECT_EQ(kCap, Depth(*FromHandle(chain)));
    EXPECT_EQ(HLDOM_INVALID_PARAMETER, HTMLayoutInsertElement(chain, window.Root(), HL_INSERT_APPEND));
    EXPECT_EQ(kCap, Depth(*FromHandle(window.Root())));
    HTMLayout_UnuseElement(chain);
}

namespace {

// What layout reads, with ordinary, absurd and broken values.
struct PropertyValues {
    std::vector<const char*> Names;
    std::vector<const char*> Values;
};

// Huge values are written in digits: CSS 2.1 numbers have no exponent, so "1e9px" would only be dropped.
const std::vector<const char*> kLengths = {"0", "12px", "50%", "100%", "-20px", "999999999px", "-999999999px", "2em", "17",
                                           "auto", "0.5px", "1000000%", "none", "3in", "x"};

const PropertyValues kLayoutProperties[] = {
    {{"width", "height", "min-width", "max-width", "min-height", "max-height", "top", "right", "bottom", "left",
      "margin", "padding", "text-indent", "line-height", "border-spacing", "margin-left", "padding-top"},
     kLengths},
    {{"margin", "padding"}, {"1px 2px", "10% auto -5px", "999999999px 0 0 999999999px", "-3px -3px -3px", "auto"}},
    {{"border", "border-top", "border-left", "border-width"},
     {"1px solid red", "999999999px solid", "-2px dashed", "thick double blue", "0 none", "3px", "5px inset 999999999px"}},
    {{"font-size"}, {"0", "1000000px", "12px", "200%", "0.1em", "-5px", "xx-large", "999999999%", "1000000"}},
    {{"display"}, {"none", "block", "inline", "inline-block", "list-item", "table", "inline-table", "table-row-group",
                   "table-header-group", "table-footer-group", "table-row", "table-cell", "table-column",
                   "table-column-group", "table-caption"}},
    {{"overflow", "overflow-x", "overflow-y"}, {"auto", "scroll", "hidden", "visible"}},
    {{"position"}, {"relative", "absolute", "static", "fixed"}},
    {{"white-space"}, {"normal", "nowrap", "pre", "pre-wrap", "pre-line"}},
    {{"text-align"}, {"left", "right", "center", "justify"}},
    {{"vertical-align"}, {"baseline", "middle", "top", "bottom", "text-top", "sub", "super"}},
    {{"float"}, {"left", "right", "none"}},
    {{"visibility"}, {"hidden", "collapse", "visible"}},
    {{"border-collapse"}, {"collapse", "separate"}},
    {{"list-style-type"}, {"decimal", "square", "none"}},
    {{"background"}, {"red", "url(40x20.png) no-repeat center", "linear-gradient(red, blue)", "url(0x0.png)"}},
};

class LayoutFuzzer : public Fuzzer {
public:
    using Fuzzer::Fuzzer;

    template <typename T>
    T Pick(const std::vector<T>& items)
    {
        return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
    }

    std::string Declarations()
    {
        std::string out;
        for (int count = Below(6); count > 0; --count) {
            const PropertyValues& property = kLayoutProperties[Below(static_cast<int>(std::size(kLayoutProperties)))];
            out += std::string(Pick(property.Names)) + ":" + Pick(property.Values) + (Below(8) == 0 ? " !important;" : ";");
        }
        return out;
    }

    std::string Sheet()
    {
        static const std::vector<const char*> kSelectors = {"div", "td", "tr", "table", "span", "p", ".a", ".b",
                                                            "#x", "td + td", "tr:current td", "*", "img", "li"};
        std::string out;
        for (int count = Below(5); count > 0; --count)
            out += std::string(Pick(kSelectors)) + "{" + Declarations() + "}";
        return out;
    }

    std::string Element()
    {
        static const std::vector<const char*> kTags = {"div", "span", "p", "table", "tr", "td", "th", "b", "ul",
                                                       "li", "pre", "tbody", "caption", "input", "a", "table"};
        static const std::vector<const char*> kSpans = {"0", "1", "3", "1000", "99999999", "-3", "x", "", "2abc"};
        static const std::vector<const char*> kSizes = {"40", "1e9", "-5", "50%", "0", "abc"};
        std::string out = std::string("<") + Pick(kTags);
        if (Below(2) == 0)
            out += " style='" + Declarations() + "'";
        if (Below(3) == 0)
            out += Below(2) == 0 ? " class=a" : " class=b id=x";
        if (Below(4) == 0)
            out += std::string(" colspan='") + Pick(kSpans) + "' rowspan='" + Pick(kSpans) + "'";
        if (Below(6) == 0)
            out += std::string(" width='") + Pick(kSizes) + "' height='" + Pick(kSizes) + "'";
        return out + ">";
    }

    std::string Words()
    {
        static const std::vector<std::string> kWords = {"word ", "a ", std::string(300, 'w'), "  \n ", "\t", "x",
                                                        "&nbsp;", "long-word-without-breaks "};
        std::string out;
        for (int count = 1 + Below(6); count > 0; --count)
            out += Pick(kWords);
        return out;
    }

    std::string LayoutPage()
    {
        static const std::vector<const char*> kCloses = {"</div>", "</span>", "</td>", "</tr>", "</table>", "</p>"};
        static const std::vector<const char*> kImages = {"<img src=40x20.png>", "<img src=missing.png width=30>",
                                                         "<img src=100000x3.png style='width:50%'>",
                                                         "<img src=40x20.png width=1e9 height=-4>"};
        std::string out = "<style>" + Sheet() + "</style>";
        for (int count = Below(50); count > 0; --count) {
            switch (Below(7)) {
            case 0: out += Pick(kCloses); break;
            case 1: out += Words(); break;
            case 2: out += "<br>"; break;
            case 3: out += Pick(kImages); break;
            default: out += Element(); break;
            }
        }
        return out;
    }

    // One random change of the kind a page's script makes.
    void Edit(Engine::Element& root)
    {
        std::vector<Engine::Element*> all{&root};
        for (std::size_t i = 0; i < all.size(); ++i)
            all.insert(all.end(), all[i]->Children().begin(), all[i]->Children().end());
        Engine::Element& target = *Pick(all);
        switch (Below(7)) {
        case 0: target.SetAttribute("style", Utf8ToWide(Declarations())); break;
        case 1: target.SetAttribute("class", Below(2) == 0 ? L"a" : L"b"); break;
        case 2: target.ChangeState(static_cast<unsigned>(Below(0x80)), static_cast<unsigned>(Below(0x80))); break;
        case 3: target.SetTextContent(Utf8ToWide(Words())); break;
        case 4: target.SetAttribute(Below(2) == 0 ? "colspan" : "rowspan", Utf8ToWide(std::to_string(Below(2000) - 10))); break;
        case 5:
            if (&target != &root)
                target.Detach();
            break;
        default: {
            static const std::vector<const char*> kTags = {"div", "span", "td", "tr", "table", "img", "br"};
            auto* made = new Engine::Element(Pick(kTags));
            made->SetAttribute("style", Utf8ToWide(Declarations()));
            made->AppendNode(new Text(Utf8ToWide(Words())));
            target.InsertNode(made, static_cast<std::size_t>(Below(static_cast<int>(target.Nodes().size()) + 1)));
            break;
        }
        }
    }
};

// Every number of the laid-out tree and its drawing is within a sane range.
void ExpectSaneGeometry(const LaidOutPage& page, const DisplayList& drawing, const std::string& source)
{
    constexpr int kLimit = 1 << 25;
    auto sane = [](const Rect& r) {
        return std::abs(r.X) < kLimit && std::abs(r.Y) < kLimit && r.Width >= 0 && r.Height >= 0 &&
               r.Width < kLimit && r.Height < kLimit;
    };
    std::vector<const Box*> pending{page.Tree.Root()};
    while (!pending.empty() && pending.back() != nullptr) {
        const Box& box = *pending.back();
        pending.pop_back();
        if (box.Kind == BoxKind::Text)
            continue;  // no geometry of its own: its text is in its container's lines
        const UsedValues& used = box.Used();
        bool ok = sane({used.X, used.Y, used.Width, used.Height}) && sane(used.PageRect()) &&
                  sane({box.ScrollOffset().X, box.ScrollOffset().Y, used.ContentWidth, used.ContentHeight});
        for (const LineBox& line : box.Lines()) {
            ok = ok && sane(line.Area);
            for (const LineItem& item : line.Items)
                ok = ok && sane(item.Area);
        }
        for (const Rect& fragment : box.Fragments())
            ok = ok && sane(fragment);
        ASSERT_TRUE(ok) << page.Tree.Dump() << "\nfrom: " << source;
        for (const auto& child : box.Children())
            pending.push_back(child.get());
    }
    for (const DisplayItem& item : drawing)
        ASSERT_TRUE(std::abs(AreaOf(item).X) < kLimit && std::abs(AreaOf(item).Y) < kLimit) << "from: " << source;
}

DisplayList PaintViewport(const LaidOutPage& page)
{
    Painter painter(page.Tree, [](Engine::Element&, const std::wstring& url) { return FakeImage(url); });
    return painter.Record({0, 0, page.Tree.ViewportWidth(), page.Tree.ViewportHeight()});
}

// A dump without the positions of boxes of no size: table parts out of place (a row in a row, a
// block straight in a row) are laid out by nobody, and after edits they may keep a stale position.
std::string SizedDump(const LayoutTree& tree)
{
    std::string dump = tree.Dump();
    std::string out;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        // A scroller's line ends in its content's size and offset after its own.
        std::size_t end = line.find(" content=");
        end = end == std::string::npos ? line.size() : end;
        std::size_t at = end > 5 ? line.rfind(' ', end - 5) : std::string::npos;
        if (end > 4 && line.compare(end - 4, 4, " 0x0") == 0 && at != std::string::npos)
            line.erase(at, end - at);
        out += line + "\n";
    }
    return out;
}

// The boxes a layout from scratch gives the document as it stands.
std::string FreshDump(Engine::Document& document, int width, int height)
{
    FakeMeasurer measurer;
    LayoutTree tree(measurer, [](Engine::Element&, const std::wstring& url) { return FakeImage(url); });
    tree.Apply(document, {});
    tree.Layout(width, height);
    return SizedDump(tree);
}

} // namespace

TEST(EngineRobustness, RandomPagesLayOutPaintAndRelayOutSoundly)
{
    LayoutFuzzer fuzzer(20240602);
    std::vector<std::string> samples = SamplePages("layout");
    ASSERT_FALSE(samples.empty());
    const int kWidths[] = {0, 1, 2, 37, 400, 1280, 32767, 1000000};
    int compared = 0, mismatched = 0;
    for (int round = 0; round < 1500; ++round) {
        std::string source = round % 3 == 0 ? fuzzer.Mutate(samples[static_cast<std::size_t>(round) % samples.size()])
                                            : fuzzer.LayoutPage();
        LaidOutPage page;
        page.Load(source);
        int width = kWidths[fuzzer.Below(static_cast<int>(std::size(kWidths)))];
        int height = fuzzer.Below(2) == 0 ? 0 : 300;
        page.Update(width, height);
        ExpectSaneGeometry(page, PaintViewport(page), source);
        for (int edits = 1 + fuzzer.Below(4); edits > 0; --edits)
            fuzzer.Edit(page.Page.Root());
        if (fuzzer.Below(3) == 0)
            width = kWidths[fuzzer.Below(static_cast<int>(std::size(kWidths)))];
        page.Update(width, height);
        ExpectSaneGeometry(page, PaintViewport(page), source);
        if (HasFatalFailure())
            return;
        if (round % 4 == 0) {
            std::string incremental = SizedDump(page.Tree);
            if (FreshDump(page.Page, width, height) != incremental) {
                ++mismatched;
                std::printf("relayout after edits differs from a fresh layout in round %d of:\n%s\n", round, source.c_str());
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 300);
    EXPECT_EQ(mismatched, 0);
}

TEST(EngineRobustness, HugeAndDeepPagesLayOutAndPaint)
{
    auto repeat = [](const std::string& piece, int times) {
        std::string out;
        for (int i = 0; i < times; ++i)
            out += piece;
        return out;
    };
    const std::string kCells = repeat("<td>c</td>", 10000);
    const std::string kPages[] = {
        "<table><tr>" + kCells + "</tr></table>",
        "<table border=1>" + repeat("<tr>" + kCells + "</tr>", 4) + "</table>",
        repeat("<div style='padding:1px; border:1px solid'>", 256) + "deep",
        repeat("<table><tr><td>", 256) + "deep",
        repeat("<span style='padding:2px'>", 256) + "deep words wrap",
        // Written out in digits: CSS 2.1 numbers have no exponent, and "1e9px" is no length at all.
        "<div style='width:999999999px; height:999999999px; margin:999999999px; padding:999999999px; border:999999999px solid'>"
        "<table style='width:999999999px' cellspacing=999999999><tr><td style='padding:999999999px' colspan=1000>x</td></tr></table></div>",
        "<div style='width:-50px; height:-999999999px; margin:-999999999px; font-size:1000000px'>negative <img src=40x20.png "
        "width=-40 height=-999999999><span style='position:relative; left:-999999999px; top:999999999px'>x</span></div>",
        // Each box stands millions of pixels inside the last: page positions add up past any sane range.
        repeat("<div style='position:absolute; left:999999999px; top:999999999px; margin:999999999px; "
               "padding:999999999px; border:999999999px solid'>", 60) + "far",
        repeat("<div style='position:absolute; right:999999999px; bottom:999999999px; margin:-999999999px; "
               "padding:999999999px; border:999999999px solid'>", 60) + "far",
        // Percentages of containing blocks grown near the size cap: past int's range some sixty boxes down.
        repeat("<div style='position:absolute; left:100%; top:100%; width:999999999px; height:999999999px; margin:100%; "
               "padding:1000% 0 0 1000%; border:999999999px solid'>", 100) + "far",
        // Siblings a million pixels tall, each below the last: the flow's height adds up past int's range.
        repeat("<div style='height:999999999px; margin:999999999px'></div>", 1100),
    };
    for (const std::string& html : kPages) {
        for (int width : {0, 1, 1280, 32767}) {
            LaidOutPage page;
            page.Load(html);
            page.Update(width, 800);
            ExpectSaneGeometry(page, PaintViewport(page), html.substr(0, 200));
            (void)page.Tree.MinWidth();
        }
    }
}

TEST(EngineRobustness, WindowSurvivesRandomSizesPaintsAndMouse)
{
    LayoutFuzzer fuzzer(11);
    EngineTestWindow window;
    const SIZE kSizes[] = {{0, 0}, {1, 1}, {32767, 10}, {10, 32767}, {400, 300}, {57, 13}};
    for (int round = 0; round < 12; ++round) {
        ASSERT_TRUE(window.Load(fuzzer.LayoutPage()));
        for (const SIZE& size : kSizes) {
            SetWindowPos(window.Window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            RedrawWindow(window.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            for (int move = 0; move < 4; ++move) {
                LPARAM at = MAKELPARAM(fuzzer.Below(std::max<int>(1, size.cx)), fuzzer.Below(std::max<int>(1, size.cy)));
                SendMessageW(window.Window(), WM_MOUSEMOVE, 0, at);
                SendMessageW(window.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, (fuzzer.Below(7) - 3) * WHEEL_DELTA), at);
            }
            RedrawWindow(window.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
    }
    EngineTestWindow::Pump(10);
}


namespace {

// Random keys, characters, clicks, wheel turns, sizes and edits of the page, as a user and a
// program at once would send them to a form.
struct FormFuzz {
    Fuzzer& Random;
    EngineTestWindow& Window;

    [[nodiscard]] HWND Hwnd() const { return Window.Window(); }

    // Inside the window, just outside it, or on one of the controls.
    LPARAM Point()
    {
        RECT client{};
        GetClientRect(Hwnd(), &client);
        if (Random.Below(2) == 0) {
            std::vector<HELEMENT> controls = Select("input, select, button, textarea");
            RECT rect{};
            if (!controls.empty() &&
                HTMLayoutGetElementLocation(controls[static_cast<std::size_t>(Random.Below(static_cast<int>(controls.size())))],
                                            &rect, HL_VIEW_RELATIVE | HL_BORDER_BOX) == HLDOM_OK)
                return MAKELPARAM(rect.left + Random.Below(std::max<int>(1, rect.right - rect.left)),
                                  rect.top + Random.Below(std::max<int>(1, rect.bottom - rect.top)));
        }
        return MAKELPARAM(Random.Below(client.right + 100) - 50, Random.Below(client.bottom + 100) - 50);
    }

    std::vector<HELEMENT> Select(const char* selector) const { return EngineTestWindow::SelectAll(Window.Root(), selector); }

    void Key()
    {
        static const UINT kKeys[] = {'A', 'C', 'V', 'X', 'Y', 'Z', 'Q', '0', '7', VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN,
                                     VK_HOME, VK_END, VK_TAB, VK_SPACE, VK_RETURN, VK_ESCAPE, VK_BACK, VK_DELETE,
                                     VK_INSERT, VK_F4, VK_PRIOR, VK_NEXT};
        BYTE keys[256] = {};
        keys[VK_CONTROL] = Random.Below(3) == 0 ? 0x80 : 0;
        keys[VK_SHIFT] = Random.Below(3) == 0 ? 0x80 : 0;
        SetKeyboardState(keys);
        UINT key = kKeys[Random.Below(static_cast<int>(std::size(kKeys)))];
        SendMessageW(Hwnd(), Random.Below(4) == 0 ? WM_KEYUP : WM_KEYDOWN, key, Random.Below(2) ? 1 : 0xC0000001);
    }

    void Char()
    {
        static const wchar_t kChars[] = {L'a', L'7', L'-', L' ', L'\t', L'\r', L'\n', L'\b', 0x1B, 0x01, 0x16, 0x1A,
                                         0x7F, 0, 0xE9, 0x4E2D, 0xD83D, 0xDE00, 0xDBFF, 0xDC00, 0xFFFF, 0xFFFE, 0xFEFF};
        if (Random.Below(4) == 0) {  // a pair beyond the BMP, as two messages
            SendMessageW(Hwnd(), WM_CHAR, 0xD800 + Random.Below(0x400), 1);
            SendMessageW(Hwnd(), WM_CHAR, 0xDC00 + Random.Below(0x400), 1);
            return;
        }
        SendMessageW(Hwnd(), WM_CHAR, kChars[Random.Below(static_cast<int>(std::size(kChars)))], 1);
    }

    void Mouse()
    {
        static const UINT kMessages[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEMOVE};
        UINT message = kMessages[Random.Below(static_cast<int>(std::size(kMessages)))];
        WPARAM buttons = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || Random.Below(3) == 0 ? MK_LBUTTON : 0;
        SendMessageW(Hwnd(), message, buttons, Point());
    }

    void Wheel()
    {
        SendMessageW(Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, (Random.Below(7) - 3) * WHEEL_DELTA), Point());
    }

    void Size()
    {
        SetWindowPos(Hwnd(), nullptr, 0, 0, Random.Below(600), Random.Below(400),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void ReplacePart()
    {
        static const char* const kParts[] = {"<input id=n value='new'>", "<input type=number value=5 max=9>",
                                             "<select><option>a<option selected>b</select>", "",
                                             "<input type=password><input type=checkbox>", "<textarea>t</textarea>"};
        std::vector<HELEMENT> parts = Select("p, input, select");
        if (parts.empty()) {
            parts = Select("body");
            if (parts.empty())
                return;
        }
        const char* html = Random.Pick(kParts);
        EngineTestWindow::SetHtml(parts[static_cast<std::size_t>(Random.Below(static_cast<int>(parts.size())))], html,
                                  static_cast<UINT>(Random.Below(6)));
    }

    void DeleteFocused()
    {
        for (HELEMENT he : Select(":focus"))
            HTMLayoutDeleteElement(he);
    }

    // After paints and timers have run, every control's value reads and the focus is on an
    // element of the page.
    void ExpectSound(int step) const
    {
        RedrawWindow(Hwnd(), nullptr, nullptr, RDW_UPDATENOW);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        for (HELEMENT he : Select("input, select, textarea")) {
            HtmlValue value{};
            ASSERT_EQ(HLDOM_OK, HTMLayoutControlGetValue(he, &value)) << "step " << step;
            ASSERT_TRUE(value.type == HL_VALUE_UNDEFINED || value.type == HL_VALUE_BOOL || value.type == HL_VALUE_INT ||
                        value.type == HL_VALUE_STRING)
                << "step " << step;
            ASSERT_TRUE(value.type != HL_VALUE_STRING || (value.text != nullptr && value.textLength <= 100000))
                << "step " << step;
        }
        Document* document = FromHandle(Window.Root())->OwnerDocument();
        ASSERT_NE(nullptr, document);
        Element* focus = document->FocusElement();
        ASSERT_TRUE(focus == nullptr || document->Root().Contains(focus)) << "the focus left the page at step " << step;
        ASSERT_LE(Select(":focus").size(), 1u) << "step " << step;
    }
};

} // namespace

TEST(EngineRobustness, RandomKeysMouseAndEditsOverAFormNeverBreakIt)
{
    using Generator = void (FormFuzz::*)();
    // Weighted by how often a user sends each kind; sizes and edits of the page come rarely.
    const Generator kCommon[] = {&FormFuzz::Key,  &FormFuzz::Key,   &FormFuzz::Key,   &FormFuzz::Char, &FormFuzz::Char,
                                 &FormFuzz::Char, &FormFuzz::Mouse, &FormFuzz::Mouse, &FormFuzz::Mouse, &FormFuzz::Wheel};
    const Generator kRare[] = {&FormFuzz::Size, &FormFuzz::ReplacePart, &FormFuzz::DeleteFocused};
    const char* kForm = R"(<html><body><p>Name <input id="name" value="Office"> <input type="password" value="pw"></p>
        <p><input type="number" min="1" max="65535" value="80"> <input maxlength="3"> <input value="off" disabled>
        <input value="ro" readonly></p><p><input type="checkbox"> <input type="radio" name="m" checked>
        <input type="radio" name="m"> <button>Apply</button> <a href="#x">link</a></p>
        <p><select><option>one<option selected>two<option>three</select> <textarea>notes</textarea></p></body></html>)";
    Fuzzer random(20240610);
    // Under Wine without a window manager, destroying a focused window that was resized waits
    // about 2 s: most of this test's time.
    EngineTestWindow window;
    ASSERT_TRUE(window.Load(kForm));
    ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    SetFocus(window.Window());
    FormFuzz fuzz{random, window};
    for (int step = 1; step <= 10000; ++step) {
        if (random.Below(60) == 0)
            (fuzz.*kRare[random.Below(static_cast<int>(std::size(kRare)))])();
        else
            (fuzz.*kCommon[random.Below(static_cast<int>(std::size(kCommon)))])();
        if (step % 100 == 0) {
            fuzz.ExpectSound(step);
            if (::testing::Test::HasFatalFailure())
                return;
            if (fuzz.Select("input").size() < 3) {  // the edits used the form up
                ASSERT_TRUE(window.Load(kForm));
            }
        }
    }
    BYTE none[256] = {};
    SetKeyboardState(none);
    EngineTestWindow::Pump(10);
}
