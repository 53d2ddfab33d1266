// Thousands of random and mutated pages, style sheets and selectors: each parses, styles and
// matches without a crash, inside the documented caps, leaving no element behind, and the whole
// run stays within a few seconds. The seed is fixed so that a failure repeats.
#include "engine/css/CssParser.h"
#include "engine/css/Selector.h"
#include "engine/dom/Document.h"
#include "engine/dom/HtmlSerializer.h"
#include "engine/dom/HtmlTreeBuilder.h"
#include "engine/dom/Utf.h"
#include "EngineTestWindow.h"
#include "ExpectedDumps.h"
#include "engine/input/FormControls.h"

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

std::vector<std::string> SamplePages()
{
    std::vector<std::string> pages;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(ENGINE_TEST_DIR) / "parser" / "input"))
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
    std::vector<std::string> samples = SamplePages();
    ASSERT_FALSE(samples.empty());
    int matched = 0;
    for (int round = 0; round < 6000; ++round) {
        std::string source = round % 2 == 0 ? fuzzer.Document()
                                            : fuzzer.Mutate(samples[static_cast<std::size_t>(round / 2) % samples.size()]);
        {
            Engine::Document document;
            ASSERT_TRUE(document.Load(source));
            FormControls::PrepareTree(document.Root());
            document.AddStyleSheet(CssParser::ParseStyleSheet(Utf8ToWide(fuzzer.StyleSheet())));
            document.UpdateStyle();
            ASSERT_LE(Depth(document.Root()), static_cast<int>(HtmlTreeBuilder::kMaxDepth));
            for (int s = 0; s < 3; ++s) {
                auto selectors = Selector::ParseList(Utf8ToWide(fuzzer.SelectorText()));
                if (!selectors)
                    continue;
                std::vector<Element*> pending{&document.Root()};
                while (!pending.empty()) {
                    Element* element = pending.back();
                    pending.pop_back();
                    matched += Selector::MatchesAny(*selectors, *element) ? 1 : 0;
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
                document.UpdateStyle();
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
        auto collect = [](HELEMENT he, LPVOID param) -> BOOL {
            static_cast<std::vector<HELEMENT>*>(param)->push_back(he);
            return FALSE;
        };
        for (int step = 0; step < 3000; ++step) {
            std::vector<HELEMENT> all;
            HTMLayoutSelectElements(window.Root(), "*", collect, &all);
            all.push_back(window.Root());
            HELEMENT target = all[static_cast<std::size_t>(fuzzer.Below(static_cast<int>(all.size())))];
            HELEMENT other = all[static_cast<std::size_t>(fuzzer.Below(static_cast<int>(all.size())))];
            std::string html = fuzzer.Document().substr(0, 300);
            switch (fuzzer.Below(8)) {
            case 0:
                HTMLayoutSetElementHtml(target, reinterpret_cast<LPCBYTE>(html.data()), static_cast<UINT>(html.size()),
                                        static_cast<UINT>(fuzzer.Below(6)));
                break;
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
                std::string selector = fuzzer.SelectorText();
                std::vector<HELEMENT> found;
                HTMLayoutSelectElements(target, selector.c_str(), collect, &found);
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
