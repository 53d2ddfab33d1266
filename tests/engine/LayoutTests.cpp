// Layout and paint dumps of the sample pages under layout/ and paint/, with fixed metrics; and
// the incremental paths checked against a layout made from scratch.
#include "tests/engine/ExpectedDumps.h"
#include "tests/engine/FakeMeasurer.h"

#include "engine/dom/Element.h"
#include "engine/dom/Text.h"
#include "engine/dom/Utf.h"
#include "engine/paint/Painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <cstring>

using namespace Engine;

namespace {

// The first line of a sample names its viewport and where its scrollers stand:
// <!-- width=400 height=300 dpi=144 scroll=list:0,40 -->.
struct Viewport {
    int Width = 400;
    int Height = 300;
    int Dpi = 96;
    struct Scroll {
        std::wstring Id;
        int X = 0, Y = 0;
    };
    std::vector<Scroll> Scrolls;
};

Viewport ViewportOf(const std::string& html)
{
    Viewport viewport;
    std::string first = html.substr(0, html.find('\n'));
    if (const char* at = std::strstr(first.c_str(), "width="))
        std::sscanf(at, "width=%d", &viewport.Width);
    if (const char* at = std::strstr(first.c_str(), "height="))
        std::sscanf(at, "height=%d", &viewport.Height);
    if (const char* at = std::strstr(first.c_str(), "dpi="))
        std::sscanf(at, "dpi=%d", &viewport.Dpi);
    for (const char* at = std::strstr(first.c_str(), "scroll="); at != nullptr; at = std::strstr(at + 1, "scroll=")) {
        char id[64] = {};
        Viewport::Scroll scroll;
        if (std::sscanf(at, "scroll=%63[^:]:%d,%d", id, &scroll.X, &scroll.Y) == 3) {
            scroll.Id = Utf8ToWide(id);
            viewport.Scrolls.push_back(scroll);
        }
    }
    return viewport;
}

Element* FindById(Element& element, const std::wstring& id)
{
    if (const std::wstring* own = element.FindAttribute("id"); own != nullptr && *own == id)
        return &element;
    for (Element* child : element.Children()) {
        if (Element* found = FindById(*child, id))
            return found;
    }
    return nullptr;
}

// One line an item: "kind x,y wxh" and what the kind adds.
class ItemPrinter {
public:
    explicit ItemPrinter(const TextMeasurer& fonts) : m_fonts(fonts) {}
    std::string operator()(const DisplayItem& item)
    {
        static constexpr const char* kKinds[] = {"fill", "gradient", "border", "text", "image", "clip", "unclip",
                                                 "focus", "scrollbar", "draw", "control", "layer", "unlayer"};
        const Rect& area = AreaOf(item);
        m_line = kKinds[item.index()];
        Add(" %d,%d %dx%d", area.X, area.Y, area.Width, area.Height);
        std::visit([this](const auto& it) { More(it); }, item);
        return m_line;
    }

private:
    template <typename... Values>
    void Add(const char* format, Values... values)
    {
        char text[512];
        std::snprintf(text, sizeof(text), format, values...);
        m_line += text;
    }
    void More(const FillItem& item) { Add(" #%08x", item.Paint); }
    void More(const GradientItem& item) { Add(" #%08x %s #%08x", item.From, item.Vertical ? "v" : "h", item.To); }
    void More(const BorderItem& item)
    {
        for (const BorderSide* side : {&item.Side.Top, &item.Side.Right, &item.Side.Bottom, &item.Side.Left})
            Add(" %d:%d", side->Width, static_cast<int>(side->Style));
        Add(" #%08x", item.Side.Top.Shade);
    }
    void More(const TextItem& item)
    {
        const FontSpec& font = m_fonts.Describe(item.Font);
        Add(" \"%s\" #%08x %dpx/%d%s", WideToUtf8(item.Text).c_str(), item.Paint, font.SizePx, font.Weight,
            font.Underline ? " underline" : "");
    }
    // The parts' numbers are bits beside the state's, as the first dumps wrote them.
    void More(const ControlItem& item)
    {
        static constexpr unsigned kPartBits[] = {0, 0, 8, 16, 32};
        Add(" %u%s", item.State | kPartBits[static_cast<int>(item.Part)], item.Part == ControlPart::RadioButton ? " radio" : "");
    }
    void More(const BeginLayerItem& item) { Add(" %.2f", item.Opacity); }
    void More(const ScrollBarItem& item)
    {
        Add(" %s thumb %d+%d", item.Vertical ? "v" : "h", item.Vertical ? item.Thumb.Y : item.Thumb.X,
            item.Vertical ? item.Thumb.Height : item.Thumb.Width);
    }
    void More(const auto&) {}

    const TextMeasurer& m_fonts;
    std::string m_line;
};

std::string DumpDisplayList(const DisplayList& list, const TextMeasurer& fonts)
{
    ItemPrinter print(fonts);
    std::string out;
    for (const DisplayItem& item : list)
        out.append(print(item)).append("\n");
    return out;
}

// Each sample laid out at its viewport, then dumped.
int CompareSamples(const char* folder, const std::function<std::string(LaidOutPage&, const Viewport&)>& dump)
{
    return CompareWithExpectedDumps(folder, [&](const std::string& html) {
        Viewport viewport = ViewportOf(html);
        LaidOutPage page;
        page.Load(html, viewport.Dpi);
        page.Update(viewport.Width, viewport.Height);
        for (const Viewport::Scroll& scroll : viewport.Scrolls) {
            Element* scroller = FindById(page.Page.Root(), scroll.Id);
            EXPECT_TRUE(scroller != nullptr && scroller->LayoutBox() != nullptr) << WideToUtf8(scroll.Id);
            if (scroller != nullptr && scroller->LayoutBox() != nullptr)
                page.Tree.ScrollTo(*scroller->LayoutBox(), scroll.X, scroll.Y);
        }
        return dump(page, viewport);
    });
}

TEST(LayoutDumps, SamplePagesLayOutAndPaintAsExpected)
{
    EXPECT_GE(CompareSamples(ENGINE_TEST_DIR "/layout", [](LaidOutPage& page, const Viewport&) { return page.Tree.Dump(); }), 11);
    EXPECT_GE(CompareSamples(ENGINE_TEST_DIR "/paint", [](LaidOutPage& page, const Viewport& viewport) {
                  Painter painter(page.Tree, [](Element&, const std::wstring& url) { return FakeImage(url); });
                  return DumpDisplayList(painter.Record({0, 0, viewport.Width, viewport.Height}), page.Measurer);
              }), 5);
}

// Every kind of change, laid out incrementally, must give the boxes a layout from scratch gives.
TEST(IncrementalLayout, ChangesGiveTheSameBoxesAsAFreshLayout)
{
    const std::string html = R"(<html><head><style>
        tr:current td { background: #bdbccc; color: white; font-weight: bold }
        tr:checked td { color: red; text-decoration: underline }
        tr.wide td { padding: 6px }
        td + td { text-align: center }
        </style></head><body style="font-size:10px">
        <table id="t" width="100%"><tr><td>one</td><td>two</td></tr><tr><td>three</td><td>four</td></tr></table>
        <div id="log" style="height:40px; overflow:auto"><div>line</div></div>
        <div style="padding:4px"><span><a>inline <div>block</div></a></span></div></body></html>)";
    struct Case {
        const char* Name;
        void (*Change)(Element& root);
    };
    auto row = [](Element& root, int n) -> Element& { return *root.Children()[1]->Children()[0]->Children()[static_cast<std::size_t>(n)]; };
    static Element& (*rowOf)(Element&, int) = row;
    const Case cases[] = {
        {"state", [](Element& root) { rowOf(root, 1).ChangeState(0x20, 0); }},
        {"paint only", [](Element& root) { rowOf(root, 0).ChangeState(0x40, 0); }},
        {"class", [](Element& root) { rowOf(root, 0).SetAttribute("class", L"wide"); }},
        {"text", [](Element& root) { rowOf(root, 0).Children()[0]->SetTextContent(L"a much longer text than before"); }},
        {"append", [](Element& root) {
             Element& log = *root.Children()[1]->Children()[1];
             for (int i = 0; i < 6; ++i) {
                 auto* line = new Element("div");
                 line->AppendNode(new Text(L"appended line"));
                 log.AppendNode(line);
             }
         }},
        {"rows appended in one batch", [](Element& root) {
             Element& table = *rowOf(root, 0).Parent();
             for (int i = 0; i < 3; ++i) {
                 auto* added = new Element("tr");
                 for (const wchar_t* text : {L"new", L"row"}) {
                     auto* cell = new Element("td");
                     cell->AppendNode(new Text(text));
                     added->AppendNode(cell);
                 }
                 table.AppendNode(added);
             }
         }},
        {"every row changed in one batch", [](Element& root) {
             for (int n = 0; n < 2; ++n) {
                 rowOf(root, n).ChangeState(0x40, 0);
                 rowOf(root, n).Children()[0]->SetTextContent(L"x");
             }
         }},
        {"remove", [](Element& root) { rowOf(root, 0).Detach(); }},
        {"hide", [](Element& root) { rowOf(root, 1).SetAttribute("style", L"display:none"); }},
        // The inlines that held the block are inline again, at their place in the lines.
        {"block inside an inline replaced by text", [](Element& root) {
             root.Children()[1]->Children()[2]->Children()[0]->Children()[0]->SetTextContent(L"all inline now");
         }},
    };
    for (const Case& c : cases) {
        LaidOutPage page;
        page.Load(html);
        page.Update(300, 200);
        c.Change(page.Page.Root());
        page.Update(300, 200);
        auto paint = [](LaidOutPage& laidOut) {
            Painter painter(laidOut.Tree, [](Element&, const std::wstring& url) { return FakeImage(url); });
            return DumpDisplayList(painter.Record({0, 0, 300, 200}), laidOut.Measurer);
        };
        std::string incremental = page.Tree.Dump() + paint(page);

        LaidOutPage fresh;
        fresh.Load(html);
        c.Change(fresh.Page.Root());
        fresh.Update(300, 200);
        EXPECT_EQ(fresh.Tree.Dump() + paint(fresh), incremental) << c.Name;
    }
}

// A batch of changes costs one styling and one making of boxes of what it reached, however
// many changes it holds: each element once, counted rather than timed.
TEST(IncrementalLayout, ABatchOfChangesStylesAndBuildsEachElementOnce)
{
    constexpr int kRows = 200;
    // The page's sheet uses + between cells, as the program's main page does.
    const std::string html = R"(<html><head><style>
        td + td { text-align: center }
        tr:nth-child(odd) { background: #C2DBF9 }
        tr:current { color: white }
        </style></head><body><table id="list"><tr><th>Name</th><th>Type</th></tr></table><p>below</p></body></html>)";
    auto list = [](LaidOutPage& page) -> Element& { return *page.Page.Root().Children()[1]->Children()[0]; };
    struct Case {
        const char* Name;
        void (*Change)(Element& list);
        std::uint64_t Styled;     // elements styled
        std::uint64_t ListsMade;  // boxes whose children were made
    };
    const Case cases[] = {
        // Appending the rows is the batch: the table and all it holds once, styles and boxes.
        {"rows appended one by one", nullptr, 1 + 3 + 3 * kRows, 1 + 3 + 3 * kRows},
        // Each first cell, and the cell after it that + reaches; each first cell's text anew.
        {"every row's first cell rewritten", [](Element& table) {
             for (std::size_t i = 1; i < table.Children().size(); ++i)
                 table.Children()[i]->Children()[0]->SetTextContent(L"");
         }, 2 * kRows, kRows},
        // Rows are not what stands left of +: no row styles the rows after it.
        {"every row's state changed", [](Element& table) {
             for (std::size_t i = 1; i < table.Children().size(); ++i)
                 table.Children()[i]->ChangeState(0x20, 0);
         }, 3 * kRows, 0},
        // A state that no selector tests changes no style.
        {"the table made focusable", [](Element& table) { table.ChangeState(0x2000, 0); }, 0, 0},
    };
    for (const Case& c : cases) {
        LaidOutPage page;
        page.Load(html);
        page.Update(400, 300);
        std::uint64_t styled = page.Style.ElementsStyled();
        std::uint64_t made = page.Tree.ChildListsMade();
        for (int i = 0; i < kRows; ++i) {
            auto* row = new Element("tr");
            list(page).AppendNode(row);
            for (const wchar_t* text : {L"Profile", L"Proxy"}) {
                auto* cell = new Element("td");
                cell->AppendNode(new Text(text));
                row->AppendNode(cell);
            }
        }
        if (c.Change != nullptr) {
            page.Update(400, 300);
            styled = page.Style.ElementsStyled();
            made = page.Tree.ChildListsMade();
            c.Change(list(page));
        }
        page.Style.Update();
        EXPECT_EQ(c.Styled, page.Style.ElementsStyled() - styled) << c.Name;
        StyleChanges changes = page.Page.TakeChanges();
        std::vector<Element*> rebuild = changes.Rebuild;
        std::sort(rebuild.begin(), rebuild.end());
        EXPECT_EQ(std::unique(rebuild.begin(), rebuild.end()), rebuild.end()) << c.Name << ": an element queued twice";
        page.Tree.Apply(page.Page, std::move(changes));
        page.Tree.Layout(400, 300);
        EXPECT_EQ(c.ListsMade, page.Tree.ChildListsMade() - made) << c.Name;
    }
}

// A scrolled list with a sticky header, fixed columns and ellipsed cells, changed: the stuck
// header, the columns and the ellipses are what a layout from scratch at that scroll gives.
TEST(IncrementalLayout, StickyRowsFixedColumnsAndEllipsesFollowChanges)
{
    std::string html = R"(<html><head><style>
        table { width: 100%; border-spacing: 0; table-layout: fixed; }
        td, th { height: 15px; padding: 0 2px; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
        tr.head { position: sticky; top: 0; }
        </style></head><body style="margin:0; font-size:10px">
        <div id="list" style="height:60px; overflow:hidden"><table id="t">
        <tr class="head"><th style="width:30%">Name</th><th>Proxy</th></tr>)";
    for (int i = 0; i < 12; ++i)
        html += "<tr><td>profile " + std::to_string(i) + "</td><td>proxy" + std::to_string(i) + ".example.com:3128</td></tr>";
    html += "</table></div></body></html>";
    struct Case {
        const char* Name;
        void (*Change)(Element& table);
    };
    const Case cases[] = {
        {"rows appended", [](Element& table) {
             for (int i = 0; i < 3; ++i) {
                 auto* row = new Element("tr");
                 auto* cell = new Element("td");
                 cell->AppendNode(new Text(L"a profile added with a long name"));
                 row->AppendNode(cell);
                 table.AppendNode(row);
             }
         }},
        {"rows removed", [](Element& table) { table.Children()[12]->Detach(); table.Children()[11]->Detach(); }},
        {"text", [](Element& table) { table.Children()[11]->Children()[1]->SetTextContent(L"short"); }},
        {"column width", [](Element& table) { table.Children()[0]->Children()[0]->SetAttribute("style", L"width:60%"); }},
        {"no longer sticky", [](Element& table) { table.Children()[0]->SetAttribute("class", L""); }},
    };
    auto dump = [](LaidOutPage& page) {
        Painter painter(page.Tree, [](Element&, const std::wstring& url) { return FakeImage(url); });
        return page.Tree.Dump() + DumpDisplayList(painter.Record({0, 0, 200, 100}), page.Measurer);
    };
    auto scroll = [](LaidOutPage& page) {
        page.Tree.ScrollTo(*FindById(page.Page.Root(), L"list")->LayoutBox(), 0, 100);
        static_cast<void>(page.Tree.TakeDamage());
    };
    for (const Case& c : cases) {
        LaidOutPage page;
        page.Load(html);
        page.Update(200, 100);
        scroll(page);
        c.Change(*FindById(page.Page.Root(), L"t"));
        page.Update(200, 100);
        std::string incremental = dump(page);

        LaidOutPage fresh;
        fresh.Load(html);
        c.Change(*FindById(fresh.Page.Root(), L"t"));
        fresh.Update(200, 100);
        scroll(fresh);
        EXPECT_EQ(dump(fresh), incremental) << c.Name;
    }
}

} // namespace
