// Style sheets as parsed (css/input against css/expected), style
// attributes, and the cascade that picks each element's winning declarations.
#include "ExpectedDumps.h"
#include "engine/css/CssParser.h"
#include "engine/css/StyleResolver.h"
#include "engine/dom/Document.h"
#include "engine/dom/Utf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace Engine;

namespace {

const std::filesystem::path kCssData = std::filesystem::path(ENGINE_TEST_DIR) / "css";

std::string DumpSheet(const StyleSheet& sheet)
{
    std::string out;
    for (const StyleRule& rule : sheet.Rules) {
        out += "rule";
        for (const ComplexSelector& selector : rule.Selectors) {
            char specificity[32];
            std::snprintf(specificity, sizeof specificity, " (%u,%u,%u)/%zu", selector.Specificity >> 16,
                          (selector.Specificity >> 8) & 0xFF, selector.Specificity & 0xFF, selector.Compounds.size());
            out += specificity;
        }
        for (const std::wstring& media : rule.Media)
            out += " @" + WideToUtf8(media);
        out += "\n";
        for (const Declaration& declaration : rule.Declarations)
            out += "  " + declaration.Property + ": [" + WideToUtf8(declaration.Value) + "]" +
                   (declaration.Important ? " !important" : "") + "\n";
    }
    return out;
}

const std::wstring* StyleOf(Document& document, const char* id, const char* property)
{
    document.UpdateStyle();
    std::vector<Element*> pending{&document.Root()};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        const std::wstring* elementId = element->FindAttribute("id");
        if (elementId != nullptr && WideToUtf8(*elementId) == id)
            return StyleResolver::Lookup(*element, property);
        pending.insert(pending.end(), element->Children().begin(), element->Children().end());
    }
    ADD_FAILURE() << "no element " << id;
    return nullptr;
}

std::wstring Value(const std::wstring* value)
{
    return value != nullptr ? *value : L"(none)";
}

} // namespace

TEST(EngineCss, StyleSheetsParseToTheirExpectedRules)
{
    auto dump = [](const std::string& bytes) { return DumpSheet(CssParser::ParseStyleSheet(Utf8ToWide(bytes))); };
    EXPECT_GE(CompareWithExpectedDumps(kCssData, dump), 2);
}

TEST(EngineCss, StyleAttributesKeepEveryDeclaration)
{
    struct Case {
        const wchar_t* Style;
        const char* Expected;
    };
    const Case cases[] = {
        {L"behavior:grid", "behavior=[grid]"},
        {L" behavior: command ; width:10px;", "behavior=[command] width=[10px]"},
        {L"COLOR: Red !IMPORTANT", "color=[Red]!"},
        {L"x-unknown: what ever; ;;: novalue; noname", "x-unknown=[what ever]"},
        {L"background: url(a;b.png); content: \"x;y\"",
         "background=[url(a;b.png)] background-color=[transparent] background-image=[url(a;b.png)] "
         "background-repeat=[repeat] background-position=[0 0] content=[\"x;y\"]"},
        // Shorthands stay as written and bring their longhands right after them.
        {L"margin: 0 0 -35 0 !important", "margin=[0 0 -35 0]! margin-top=[0]! margin-right=[0]! margin-bottom=[-35]! margin-left=[0]!"},
        {L"border-left: 2px dotted red; font: bold 7pt/9pt Tahoma, sans-serif",
         "border-left=[2px dotted red] border-left-width=[2px] border-left-style=[dotted] border-left-color=[red] "
         "font=[bold 7pt/9pt Tahoma, sans-serif] font-style=[normal] font-variant=[normal] font-weight=[bold] "
         "font-size=[7pt] line-height=[9pt] font-family=[Tahoma, sans-serif]"},
        {L"/* note */ display: none /* trailing */", "display=[none]"},
        {L"", ""},
    };
    for (const Case& c : cases) {
        std::string dump;
        for (const Declaration& declaration : CssParser::ParseDeclarations(c.Style)) {
            if (!dump.empty())
                dump += " ";
            dump += declaration.Property + "=[" + WideToUtf8(declaration.Value) + "]" + (declaration.Important ? "!" : "");
        }
        EXPECT_EQ(c.Expected, dump) << WideToUtf8(c.Style);
    }
}

TEST(EngineCss, CascadePicksTheWinningDeclaration)
{
    Document document;
    ASSERT_TRUE(document.Load(R"(
<style>
  p { color: red; margin: 1px; }
  .note { color: green; }
  #one { color: blue; }
  p.note { margin: 2px !important; }
  div p { padding: 3px; }
  div > p { padding: 4px; }
  td { width: 50px; }
  @media contrast-screen { p { border: thick; } }
</style>
<div><p id=one class=note style="margin: 9px">a</p><p id=two class="x note">b</p><p id=three style="color: black">c</p></div>
<table cellpadding=5><tr><td id=cell width=20 bgcolor=red nowrap>d</td><td id=cell2 width=30>e</td></tr></table>
<body id=body leftmargin=3 topmargin=4><span id=inner>f</span></body>
)"));
    struct Case {
        const char* Id;
        const char* Property;
        const wchar_t* Expected;
    };
    const Case cases[] = {
        {"one", "color", L"blue"},           // id beats class beats type
        {"two", "color", L"green"},
        {"three", "color", L"black"},        // the style attribute beats the sheet
        {"one", "margin", L"2px"},           // important beats the style attribute
        {"two", "padding", L"4px"},          // same specificity: the later rule
        {"one", "border", nullptr},          // another media's rule
        {"cell", "width", L"50px"},          // the sheet beats the old attributes
        {"cell", "background-color", L"red"},
        {"cell", "white-space", L"nowrap"},
        {"cell", "padding", L"5px"},         // cellpadding reaches the cells
        {"body", "margin-left", L"3px"},
        {"body", "margin-top", L"4px"},
        {"inner", "color", nullptr},
        {"cell", "behavior", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Expected != nullptr ? std::wstring(c.Expected) : L"(none)", Value(StyleOf(document, c.Id, c.Property)))
            << c.Id << " " << c.Property;

    document.SetMediaType(L"contrast-screen");
    EXPECT_EQ(L"thick", Value(StyleOf(document, "one", "border")));
}

TEST(EngineCss, InheritedPropertiesComeFromAncestors)
{
    Document document;
    ASSERT_TRUE(document.Load("<style>div { color: navy; width: 5px; font-family: Tahoma }</style>"
                              "<div><p><span id=s style='font-family: inherit'>x</span></p></div>"));
    EXPECT_EQ(L"navy", Value(StyleOf(document, "s", "color")));
    EXPECT_EQ(L"Tahoma", Value(StyleOf(document, "s", "font-family")));
    EXPECT_EQ(L"(none)", Value(StyleOf(document, "s", "width")));
}

TEST(EngineCss, StatesChangeTheStyleOnTheNextUpdate)
{
    Document document;
    ASSERT_TRUE(document.Load("<style>tr:current { background: #bdbccc } tr { background: white }</style>"
                              "<table><tr id=r><td>x</td></tr></table>"));
    EXPECT_EQ(L"white", Value(StyleOf(document, "r", "background")));
    Element* row = document.Root().Children()[1]->Children()[0];
    row->ChangeState(0x20, 0);
    EXPECT_EQ(L"#bdbccc", Value(StyleOf(document, "r", "background")));
}

TEST(EngineCss, EngineSheetGivesInputsTheirBehaviors)
{
    Document document;
    ASSERT_TRUE(document.Load("<input id=a><input id=b type=CHECKBOX><select id=c></select><select id=d size=4></select>"
                              "<button id=e style='behavior: command'></button><a id=f href=x></a><textarea id=g></textarea>"));
    const std::pair<const char*, const wchar_t*> cases[] = {{"a", L"edit"},     {"b", L"checkbox"}, {"c", L"dropdown"},
                                                            {"d", L"list"},     {"e", L"command"},  {"f", L"hyperlink"},
                                                            {"g", L"textarea"}};
    for (const auto& [id, behavior] : cases)
        EXPECT_EQ(behavior, Value(StyleOf(document, id, "behavior"))) << id;
}
