// Style sheets as parsed (css/input against css/expected), style
// attributes, and the cascade that picks each element's winning declarations.
#include "ExpectedDumps.h"
#include "engine/css/CssParser.h"
#include "engine/css/DocumentStyle.h"
#include "engine/css/PropertyTable.h"
#include "engine/css/StyleBuilder.h"
#include "engine/css/StyleResolver.h"
#include "engine/dom/Document.h"
#include "engine/dom/Utf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

const std::wstring* StyleOf(DocumentStyle& style, const char* id, const char* property)
{
    style.Update();
    std::vector<Element*> pending{&style.Page().Root()};
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
    DocumentStyle style(document);
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
        EXPECT_EQ(c.Expected != nullptr ? std::wstring(c.Expected) : L"(none)", Value(StyleOf(style, c.Id, c.Property)))
            << c.Id << " " << c.Property;

    style.SetMediaType(L"contrast-screen");
    EXPECT_EQ(L"thick", Value(StyleOf(style, "one", "border")));
}

// Every property the engine knows, longhand or shorthand: "inherit" takes the parent's computed
// value and "initial" the initial one, whether the property is inherited or not, and a child
// that says nothing gets the parent's value exactly when the property is inherited. Style reads
// follow the same table.
TEST(EngineCss, InheritAndInitialReachEveryProperty)
{
    // A value other than the initial one for each property, and what some need to show (a
    // border width needs a style).
    std::map<std::string, std::wstring> samples = {
        {"color", L"red"}, {"font-family", L"Tahoma"}, {"font-size", L"20px"}, {"font-weight", L"bold"},
        {"font-style", L"italic"}, {"font-variant", L"small-caps"}, {"text-decoration", L"underline"},
        {"line-height", L"30px"}, {"text-align", L"center"}, {"text-indent", L"10px"},
        {"text-transform", L"uppercase"}, {"letter-spacing", L"2px"}, {"word-spacing", L"3px"},
        {"direction", L"rtl"}, {"white-space", L"nowrap"}, {"visibility", L"hidden"}, {"cursor", L"pointer"},
        {"list-style-type", L"square"}, {"list-style-position", L"inside"}, {"list-style-image", L"url(m.png)"},
        {"border-spacing", L"4px 6px"}, {"border-collapse", L"collapse"}, {"display", L"block"},
        {"position", L"relative"}, {"width", L"50%"}, {"height", L"40px"}, {"min-width", L"5px"},
        {"min-height", L"6px"}, {"max-width", L"70px"}, {"max-height", L"80px"}, {"overflow", L"hidden"},
        {"overflow-x", L"auto"}, {"overflow-y", L"scroll"}, {"vertical-align", L"middle"}, {"float", L"left"}, {"clear", L"both"},
        {"z-index", L"3"}, {"background-color", L"yellow"}, {"background-image", L"url(b.png)"},
        {"background-repeat", L"no-repeat"}, {"background-position", L"10px 20px"}, {"opacity", L"0.5"},
        {"foreground-image", L"url(f.png)"}, {"text-overflow", L"ellipsis"}, {"table-layout", L"fixed"},
        {"font", L"italic bold 20px/30px Tahoma"},
        {"list-style", L"square inside url(m.png)"}, {"margin", L"1px 2px 3px 4px"},
        {"padding", L"1px 2px 3px 4px"}, {"border", L"5px dashed blue"}, {"border-width", L"1px 2px 3px 4px"},
        {"border-style", L"dashed"}, {"border-color", L"blue"}, {"background", L"yellow url(b.png) no-repeat 10px 20px"}};
    std::map<std::string, std::wstring> needs = {{"border-width", L"border-style: solid; "}};
    for (const char* side : {"top", "right", "bottom", "left"}) {
        const std::string name = side;
        samples[name] = samples["margin-" + name] = samples["padding-" + name] = L"7px";
        samples["border-" + name] = L"5px dashed blue";
        samples["border-" + name + "-width"] = L"5px";
        needs["border-" + name + "-width"] = L"border-" + Utf8ToWide(name) + L"-style: solid; ";
        samples["border-" + name + "-style"] = L"dashed";
        samples["border-" + name + "-color"] = L"blue";
    }
    const ComputedStyle initial = StyleBuilder(96).Build({}, nullptr);
    for (const PropertyInfo& property : PropertyTable::All()) {
        const std::string name(property.Name);
        SCOPED_TRACE(name);
        auto sample = samples.find(name);
        ASSERT_NE(samples.end(), sample) << "a sample value is wanted";
        const std::wstring wide = Utf8ToWide(name);
        const std::wstring& value = sample->second;
        const std::wstring& need = needs[name];
        Document document;
        ASSERT_TRUE(document.Load(WideToUtf8(L"<outer style='" + need + wide + L": " + value + L"'>"
                                             "<inner style='" + need + wide + L": inherit'></inner>"
                                             "<inner style='" + need + wide + L": INITIAL'></inner>"
                                             "<inner style='" + need + L"'></inner></outer>")));
        DocumentStyle style(document);
        style.Update();
        Element& parent = *document.Root().Children()[0];
        ASSERT_EQ(3u, parent.Children().size());
        const Element& inherit = *parent.Children()[0];
        const Element& initialChild = *parent.Children()[1];
        const Element& plain = *parent.Children()[2];

        EXPECT_EQ(value, Value(StyleResolver::Lookup(inherit, name)));
        EXPECT_EQ(property.Inherited ? value : L"(none)", Value(StyleResolver::Lookup(plain, name)));
        std::vector<std::string_view> longhands(property.Longhands.begin(), property.Longhands.end());
        if (longhands.empty())
            longhands.push_back(property.Name);
        for (std::string_view longhand : longhands) {
            const PropertyInfo& each = *PropertyTable::Find(longhand);
            if (each.Fields.Same == nullptr)
                continue;  // read as written only, checked above
            SCOPED_TRACE(std::string(longhand));
            ASSERT_FALSE(each.Fields.Same(*parent.Computed(), initial)) << "the sample must differ from the initial value";
            EXPECT_TRUE(each.Fields.Same(*inherit.Computed(), *parent.Computed()));
            EXPECT_TRUE(each.Fields.Same(*initialChild.Computed(), initial));
            EXPECT_EQ(each.Inherited, each.Fields.Same(*plain.Computed(), *parent.Computed()));
        }
    }
}

TEST(EngineCss, StatesChangeTheStyleOnTheNextUpdate)
{
    Document document;
    DocumentStyle style(document);
    ASSERT_TRUE(document.Load("<style>tr:current { background: #bdbccc } tr { background: white }</style>"
                              "<table><tr id=r><td>x</td></tr></table>"));
    EXPECT_EQ(L"white", Value(StyleOf(style, "r", "background")));
    Element* row = document.Root().Children()[1]->Children()[0];
    row->ChangeState(0x20, 0);
    EXPECT_EQ(L"#bdbccc", Value(StyleOf(style, "r", "background")));
}

TEST(EngineCss, EngineSheetGivesInputsTheirBehaviors)
{
    Document document;
    DocumentStyle style(document);
    ASSERT_TRUE(document.Load("<input id=a><input id=b type=CHECKBOX><select id=c></select><select id=d size=4></select>"
                              "<button id=e style='behavior: command'></button><a id=f href=x></a><textarea id=g></textarea>"));
    const std::pair<const char*, const wchar_t*> cases[] = {{"a", L"edit"},     {"b", L"checkbox"}, {"c", L"dropdown"},
                                                            {"d", L"list"},     {"e", L"command"},  {"f", L"hyperlink"},
                                                            {"g", L"textarea"}};
    for (const auto& [id, behavior] : cases)
        EXPECT_EQ(behavior, Value(StyleOf(style, id, "behavior"))) << id;
}
