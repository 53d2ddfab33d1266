// The tree that pages parse to, compared with the dumps under parser/expected.
#include "ExpectedDumps.h"
#include "engine/dom/Document.h"
#include "engine/dom/HtmlSerializer.h"
#include "engine/dom/Text.h"
#include "engine/input/FormControls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace Engine;

namespace {

const std::filesystem::path kParserData = std::filesystem::path(ENGINE_TEST_DIR) / "parser";

std::string Escaped(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        if (c == L'\n') {
            out += "\\n";
        } else if (c == L'"' || c == L'\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(static_cast<char16_t>(c)));
            out += code;
        }
    }
    return out;
}

void Dump(const Node& node, int depth, std::string& out)
{
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    if (!node.IsElement()) {
        out.push_back('"');
        out += Escaped(static_cast<const Text&>(node).Data());
        out += "\"\n";
        return;
    }
    const auto& element = static_cast<const Element&>(node);
    out.push_back('<');
    out += element.Tag();
    for (const Attribute& attribute : element.Attributes()) {
        out.push_back(' ');
        out += attribute.Name;
        out += "=\"";
        out += Escaped(attribute.Value);
        out.push_back('"');
    }
    out += ">";
    if (element.State() != 0) {
        char state[32];
        std::snprintf(state, sizeof state, " [state 0x%x]", element.State());
        out += state;
    }
    out += "\n";
    for (const Node* child : element.Nodes())
        Dump(*child, depth + 1, out);
}

std::string ParseAndDump(const std::string& bytes)
{
    Document document;
    EXPECT_TRUE(document.Load(bytes));
    FormControls::PrepareTree(document.Root());
    std::string out;
    Dump(document.Root(), 0, out);
    return out;
}

} // namespace

TEST(EngineParser, PagesParseToTheirExpectedTrees)
{
    EXPECT_GE(CompareWithExpectedDumps(kParserData, ParseAndDump), 7);
}

TEST(EngineParser, SerializedPagesParseBackToTheSameTree)
{
    for (const auto& entry : std::filesystem::directory_iterator(kParserData / "input")) {
        Document document;
        ASSERT_TRUE(document.Load(ReadFileBytes(entry.path())));
        FormControls::PrepareTree(document.Root());
        std::string first;
        Dump(document.Root(), 0, first);
        std::string html = HtmlSerializer::Serialize(document.Root(), HtmlScope::Outer);
        EXPECT_EQ(first, ParseAndDump(html)) << entry.path().filename().string() << "\n" << html;
    }
}

TEST(EngineParser, CharacterReferencesDecode)
{
    struct Case {
        const char* Source;
        const wchar_t* Text;
    };
    const Case cases[] = {
        {"&nbsp;&raquo;&amp;&lt;&gt;&quot;", L"\u00A0\u00BB&<>\""},
        {"&#65;&#x42;&#X43;&#68", L"ABCD"},
        {"&#128;&#150;", L"\u20AC\u2013"},  // the Windows-1252 meaning of C1 controls
        {"&#0;&#xD800;&#x110000;", L"\uFFFD\uFFFD\uFFFD"},
        {"&#x1F600;", L"\U0001F600"},
        {"&copy 2024 &hellip", L"\u00A9 2024 &hellip"},  // old names work without ';', newer do not
        {"&unknown; & &; &#; &#x;", L"&unknown; & &; &#; &#x;"},
        {"&Alpha;&omega;&euro;&trade;", L"\u0391\u03C9\u20AC\u2122"},
    };
    for (const Case& c : cases) {
        Document document;
        ASSERT_TRUE(document.Load(std::string("<p>") + c.Source));
        EXPECT_EQ(std::wstring(c.Text), document.Root().TextContent()) << c.Source;
    }
}

TEST(EngineParser, AttributeReferencesKeepAddressesWhole)
{
    Document document;
    ASSERT_TRUE(document.Load("<a href='x?a=1&copy=2&amp;b=3&lt=4'>"));
    EXPECT_EQ(L"x?a=1&copy=2&b=3&lt=4", *document.Root().Children()[0]->FindAttribute("href"));
}
